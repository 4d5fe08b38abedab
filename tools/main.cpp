#include <iostream>

#include "tools/CliApplication.h"

int main(int argc, char** argv) {
    nimbo::cli::CliApplication application(std::cin, std::cout, std::cerr);
    return application.Run(argc, argv);
}
