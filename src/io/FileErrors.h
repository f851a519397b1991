#pragma once
// The file errors of the list import and the CSV export. what() is the text of the application's
// standard error box without the full stop that the box adds.

#include <stdexcept>
#include <string>

namespace vantle {

// A file that cannot be opened for reading: Cannot open file "<path>". <system reason>
class EFOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be created or written: Cannot create file "<path>". <system reason>, "Disk full",
// or "I/O error <errno>".
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A list too large for the list box: "Text exceeds memo capacity".
class ETextTooLong : public std::runtime_error {
public:
    ETextTooLong() : std::runtime_error("Text exceeds memo capacity") {}
};

// The system's text for an errno value, e.g. "No such file or directory".
std::string SystemErrorText(int errorNumber);

// Cannot open file "<path>". <system reason>
std::string CannotOpenText(const std::string& path, int errorNumber);

// Cannot create file "<path>". <system reason>
std::string CannotCreateText(const std::string& path, int errorNumber);

// What a failed read or write says: "Disk full" when the device is full, else "I/O error <errno>".
std::string InOutErrorText(int errorNumber);

}  // namespace vantle
