#pragma once

#include <cstdlib>
#include <optional>
#include <string>

// Sets (or, with nullopt, removes) an environment variable for one scope and
// puts the old value back afterwards.
class TScopedEnvironment {
public:
    TScopedEnvironment(std::string name, const std::optional<std::string>& value)
        : FName(std::move(name))
    {
        if (const char* old = std::getenv(FName.c_str())) FOld = old;
        if (value)
            setenv(FName.c_str(), value->c_str(), 1);
        else
            unsetenv(FName.c_str());
    }
    ~TScopedEnvironment()
    {
        if (FOld)
            setenv(FName.c_str(), FOld->c_str(), 1);
        else
            unsetenv(FName.c_str());
    }
    TScopedEnvironment(const TScopedEnvironment&) = delete;
    TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

private:
    std::string FName;
    std::optional<std::string> FOld;
};
