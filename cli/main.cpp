#include "cli/BatchConverter.h"

#include <clocale>
#include <iostream>

int main(int argc, char** argv) {
    // Survey numbers are written and read with a decimal point, whatever the
    // user's locale says.
    std::setlocale(LC_ALL, "C");
    std::vector<std::string> args(argv + 1, argv + argc);
    CBatchConverter converter(std::cout, std::cerr);
    return converter.Run(args);
}
