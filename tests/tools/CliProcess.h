#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace nimbo::test {

// nimbo-cli (or another program of the project) run as a child process, the
// way a user or a script runs it: its standard input is given, its standard
// output is read line by line, its standard error and exit status are
// collected at the end.
class CliProcess {
public:
    // Starts `program` with `args`; `input` is written to its standard input,
    // which is then closed.
    explicit CliProcess(const std::vector<std::string>& args, const std::string& input = "",
                        const std::string& program = NIMBO_CLI_PATH);
    // Kills a child that is still running.
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // The next line of standard output, without its line end; nullopt when
    // the output ended first.
    std::optional<std::string> ReadLine();
    void Signal(int signal);
    // Waits for the exit and returns its status (-1 when killed by a signal).
    int Wait();
    // After Wait: the standard output not taken by ReadLine, and all of
    // standard error.
    const std::string& Output() const { return m_output; }
    const std::string& Errors() const { return m_errors; }

private:
    bool ReadMoreOutput();

    pid_t m_pid = -1;
    int m_outputPipe = -1;
    int m_errorPipe = -1;
    std::string m_output;
    std::string m_errors;
};

// Runs nimbo-cli to its end; the exit status, with output and errors.
struct CliRun {
    int status;
    std::string output;
    std::string errors;
};
CliRun RunCli(const std::vector<std::string>& args, const std::string& input = "",
              const std::string& program = NIMBO_CLI_PATH);

}  // namespace nimbo::test
