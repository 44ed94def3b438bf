#pragma once

// Pipes for the children simhost forks or runs: POSIX only (its …Posix.cpp files and the
// validator's forking parts include this).

namespace simhost::sys {

// A pipe whose ends close on exec: ends[0] to read, ends[1] to write. std::runtime_error when the
// system has none to give.
void MakePipe(int (&ends)[2]);
// Two such pipes, or none: a failure closes the first.
void MakePipes(int (&first)[2], int (&second)[2]);
void ClosePipe(const int (&ends)[2]);

} // namespace simhost::sys
