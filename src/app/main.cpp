#include "app/startup.h"

int main(int argc, char** argv) { return tesvarin::StartUp(argc, argv); }
