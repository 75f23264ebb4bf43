#pragma once

#include <stdexcept>
#include <string>

// A failure the user is told about on standard error; the tool then exits with 1.
class CliError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
