#include "Cli.h"

#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv, argv + argc);
    CliContext ctx{std::cout, std::cerr};
    const int status = RunCli(args, ctx);
    std::cout.flush();
    return std::cout.fail() ? kExitFailure : status;
}
