// nimbo: the desktop application.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "platform/CodePage.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessages.h"
#include "session/AgentHost.h"
#include "session/AgentSession.h"
#include "shell/CNimboApp.h"

namespace {

constexpr int USAGE_ERROR = 2;

void PrintUsage(std::FILE* to) {
    std::fprintf(to,
                 "usage: nimbo [--host HOST]\n"
                 "\n"
                 "  --host HOST   sign in to the agent server at HOST (name or dotted address)\n"
                 "                for this run instead of \"%s\"\n"
                 "  --help        show this text\n"
                 "  --version     show the version\n",
                 nimbo::platform::CodePage::ToUtf8(nimbo::g_strAgentHost.Get()).c_str());
}

bool IsHelp(const char* argument) {
    return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0;
}

bool IsVersion(const char* argument) { return std::strcmp(argument, "--version") == 0; }

struct Options {
    std::optional<std::string> host;
};

// Reads the application's own options; Qt has already taken its own out of
// argv. Nullopt after a usage error has been reported.
std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--host") == 0 && i + 1 < argc && argv[i + 1][0] != '\0') {
            options.host = argv[++i];
        } else {
            std::fprintf(stderr, "nimbo: unexpected argument '%s'\n", argv[i]);
            PrintUsage(stderr);
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Asking for help or the version must work without a display, so they
    // are answered before Qt connects to one.
    for (int i = 1; i < argc; ++i) {
        if (IsHelp(argv[i])) {
            PrintUsage(stdout);
            return 0;
        }
        if (IsVersion(argv[i])) {
            std::printf("nimbo %s\n", NIMBO_VERSION);
            return 0;
        }
    }
    QApplication framework(argc, argv);
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        return USAGE_ERROR;
    }
    if (options->host) {
        nimbo::g_strAgentHost.Set(nimbo::platform::CodePage::FromUtf8(*options->host));
    }

    // The two process-wide objects, destroyed in reverse order after the loop.
    // The loop ends when the main window closes, which has closed every file
    // transfer and stopped its worker; the application, destroyed last,
    // closes any transfer still open before the GUI goes.
    nimbo::CNimboApp app;
    nimbo::AgentSession session;
    if (!app.InitInstance(session)) {
        return 1;
    }
    const int status = QApplication::exec();
    // Before the session and the application go: a transfer worker that
    // outlives its bound, held up by a name lookup or a slow disk, finds no
    // window and no message box any more, and dies with the process.
    nimbo::platform::EndWindowMessages();
    nimbo::platform::EndMessageBoxes();
    return status;
}
