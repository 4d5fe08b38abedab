#include <iostream>

#include "platform/MessageBox.h"
#include "platform/WindowMessages.h"
#include "tools/CliApplication.h"

int main(int argc, char** argv) {
    nimbo::cli::CliApplication application(std::cin, std::cout, std::cerr);
    const int status = application.Run(argc, argv);
    // A transfer worker that outlived its bound finds no window and no
    // message box any more, and dies with the process.
    nimbo::platform::EndWindowMessages();
    nimbo::platform::EndMessageBoxes();
    return status;
}
