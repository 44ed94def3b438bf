#pragma once

#include <stdexcept>
#include <string>

namespace GS {

class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ClassCastException : public Exception {
public:
    ClassCastException() : Exception("Bad cast.") {}
};

class NullReferenceException : public Exception {
public:
    NullReferenceException() : Exception("Null reference.") {}
};

} // namespace GS
