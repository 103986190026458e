#include "cli/BatchConverter.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    CBatchConverter converter(std::cout, std::cerr);
    return converter.Run(args);
}
