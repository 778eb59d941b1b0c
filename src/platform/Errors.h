#pragma once
#include <stdexcept>
#include <string>

namespace nodo {

// An error whose text is meant for the user: the default error report shows what() as it is.
class NodoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A settings or list file could not be read or written.
class FileError : public NodoError {
public:
    using NodoError::NodoError;
};

// A text that should have held a decimal integer did not.
class ConvertError : public NodoError {
public:
    using NodoError::NodoError;
};

// Parses a whole line as a decimal integer (optional sign, surrounding blanks allowed);
// throws ConvertError with the usual "'x' is not a valid integer value" text otherwise.
int StrToInt(const std::string& text);

} // namespace nodo
