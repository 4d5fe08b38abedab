#pragma once

#include <filesystem>
#include <list>
#include <memory>
#include <string>

#include "platform/WindowMessages.h"
#include "tools/EventPrinter.h"
#include "tools/TransferWindow.h"
#include "transfer/FileOffer.h"
#include "transfer/TransferInfo.h"
#include "transfer/TransferWorker.h"

namespace nimbo::cli {

// listen --accept-files DIR: receives every offered file into DIR under its
// safe name, each with a worker and a window of its own, and prints
// file<TAB>PATH<TAB>NAME when a receive ends. A target that exists and is
// shorter than the offered size is continued from its length; any other is
// replaced.
class FileAcceptor {
public:
    FileAcceptor(std::filesystem::path folder, platform::IMessageThread& thread, EventPrinter& printer);
    // Receives still running are stopped, each with a bound.
    ~FileAcceptor() = default;
    FileAcceptor(const FileAcceptor&) = delete;
    FileAcceptor& operator=(const FileAcceptor&) = delete;

    void Accept(const FileOffer& offer);

private:
    struct Receive {
        std::u16string strPath;
        bool bEnded = false;
        // Declared in this order so that the worker is stopped before its
        // window goes.
        std::unique_ptr<TransferWindow> window;
        std::unique_ptr<TransferWorker> worker;
    };

    std::shared_ptr<TransferInfo> MakeInfo(const FileOffer& offer, const std::filesystem::path& target) const;
    void OnEnd(Receive& receive, platform::LPARAM code);
    // Forgets (and joins) the receives whose end was printed.
    void ForgetEnded();

    const std::filesystem::path m_folder;
    platform::IMessageThread& m_thread;
    EventPrinter& m_printer;
    std::list<Receive> m_receives;
};

}  // namespace nimbo::cli
