#include "runtime/Pipes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace simhost::sys {

void MakePipe(int (&ends)[2]) {
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("cannot make a pipe: ") + std::strerror(errno));
}

void MakePipes(int (&first)[2], int (&second)[2]) {
    MakePipe(first);
    try {
        MakePipe(second);
    } catch (...) {
        ClosePipe(first);
        throw;
    }
}

void ClosePipe(const int (&ends)[2]) {
    ::close(ends[0]);
    ::close(ends[1]);
}

} // namespace simhost::sys
