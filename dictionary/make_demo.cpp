// make-demo DIR: a workspace to try dicttool on (see DemoWorkspace.h).
#include "dictionary/DemoWorkspace.h"

#include <exception>
#include <iostream>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: make-demo DIR\n";
        return 2;
    }
    try {
        dictionary::makeDemoWorkspace(argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "make-demo: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
