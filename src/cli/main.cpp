#include <iostream>
#include <string>
#include <vector>

#include "cli/resolver_cli.h"
#include "web/curl_fetcher.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  tesvarin::CurlFetcher fetcher;
  return tesvarin::RunResolverCli(args, std::cin, std::cout, std::cerr, fetcher);
}
