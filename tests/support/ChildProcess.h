#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace nimbo::test {

// A program run as a child process, the way a user or a script runs it: its
// standard input is given, its standard output is read line by line while it
// runs, its standard error and exit status are collected at the end.
class ChildProcess {
public:
    // Starts `program` with `args`; `input` is written to its standard input,
    // which is then closed.
    ChildProcess(const std::string& program, const std::vector<std::string>& args, const std::string& input = "");
    // Kills a child that is still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of standard output, without its line end; nullopt when
    // the output ended first or no line came for half a minute.
    std::optional<std::string> ReadLine();
    void Signal(int signal);
    pid_t Pid() const { return m_pid; }
    // Waits for the exit and returns its status (-1 when killed by a signal).
    int Wait();
    // After Wait: the standard output not taken by ReadLine, and all of
    // standard error.
    const std::string& Output() const { return m_output; }
    const std::string& Errors() const { return m_errors; }

private:
    // Waits up to `patienceMs` (-1: without limit) for either pipe and takes
    // what came; false when nothing came in time.
    bool TakeOutput(int patienceMs);

    pid_t m_pid = -1;
    int m_outputPipe = -1;
    int m_errorPipe = -1;
    std::string m_output;
    std::string m_errors;
};

// Runs a program to its end; the exit status, with output and errors.
struct ProcessRun {
    int status;
    std::string output;
    std::string errors;
};
ProcessRun RunProcess(const std::string& program, const std::vector<std::string>& args, const std::string& input = "");

}  // namespace nimbo::test
