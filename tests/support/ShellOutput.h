#pragma once

#include <cstdio>
#include <string>

// What a shell command prints on stdout (empty when it cannot be started).
inline std::string ShellOutput(const std::string& command)
{
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
        ::pclose(pipe);
    }
    return output;
}
