#include <iostream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "platform/Console.h"

int main(int argc, char** argv)
{
    platform::UseUtf8Console();
    // UTF-8 from here on, so that file names outside the system's code page work.
    const std::vector<std::string> arguments = platform::Utf8Arguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments)
        pointers.push_back(argument.c_str());
    pointers.push_back(nullptr);
    return cli::RunCli(static_cast<int>(arguments.size()), pointers.data(), std::cout, std::cerr);
}
