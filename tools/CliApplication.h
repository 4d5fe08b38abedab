#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace nimbo::cli {

// nimbo-cli from the command line to the exit status: reads the arguments
// (and the password from `in` when they give none), builds the command and
// runs it on a fresh session. Rows and events go to `out`, usage texts and
// failure reasons to `err`.
class CliApplication {
public:
    CliApplication(std::istream& in, std::ostream& out, std::ostream& err) : m_in(in), m_out(out), m_err(err) {}

    int Run(int argc, const char* const* argv);

private:
    std::u16string ReadPassword();

    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
};

}  // namespace nimbo::cli
