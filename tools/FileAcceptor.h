#pragma once

#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <ostream>
#include <string>

#include "platform/MessageLoop.h"
#include "tools/EventPrinter.h"
#include "tools/TransferWindow.h"
#include "transfer/FileOffer.h"
#include "transfer/TransferInfo.h"
#include "transfer/TransferWorker.h"

namespace nimbo::cli {

// What listen --accept-files may do with a file of the offered name that is
// already in the folder; without either it is left alone.
struct ExistingFiles {
    bool continueShorter = false;  // --resume: a file shorter than the offer is continued
    bool replace = false;          // --replace: any other is replaced
};

// listen --accept-files DIR: receives offered files into DIR, each with a
// worker and a window of its own, and prints file<TAB>PATH<TAB>NAME exactly
// once for every offer it took, when that receive ends.
//
// A file is stored under its safe name, or, when a file, link or running
// receive already has that name and ExistingFiles allows nothing else, under
// the first free name "NAME (N).EXT". It is created anew and never through a
// symbolic link; DIR itself is resolved once, when the acceptor is made.
// At most MAX_OFFERED_RECEIVES run at once: a further offer is declined
// silently (the sender is not told) and reported on `errors`.
class FileAcceptor {
public:
    // Throws CommandFailure when `folder` is not a folder.
    FileAcceptor(const std::filesystem::path& folder, ExistingFiles existing, platform::MessageLoop& loop,
                 EventPrinter& printer, std::ostream& errors);
    // Receives still running are stopped, each with a bound.
    ~FileAcceptor() = default;
    FileAcceptor(const FileAcceptor&) = delete;
    FileAcceptor& operator=(const FileAcceptor&) = delete;

    // An offer of `from`, whose offer line has been printed.
    void Accept(const std::u16string& from, const FileOffer& offer);
    // Ends every receive still running (cancelled: TE_RECV_CLOSED) and
    // prints the line of each; offers after it are declined. True when every
    // file taken was received.
    bool Finish();

private:
    struct Receive {
        std::u16string strPath;
        bool bEnded = false;
        // Declared in this order so that the worker is stopped before its
        // window goes.
        std::unique_ptr<TransferWindow> window;
        std::unique_ptr<TransferWorker> worker;
    };

    int RunningCount() const;
    bool IsTaken(const std::filesystem::path& path) const;
    std::shared_ptr<TransferInfo> MakeInfo(const FileOffer& offer) const;
    std::filesystem::path UseTaken(const std::filesystem::path& wanted, TransferInfo& info) const;
    std::filesystem::path FreeName(const std::filesystem::path& wanted) const;
    void Start(Receive& receive, std::shared_ptr<TransferInfo> info);
    void OnEnd(Receive& receive, platform::LPARAM code);
    // Forgets (and joins) the receives whose end was printed.
    void ForgetEnded();

    const std::filesystem::path m_folder;
    const ExistingFiles m_existing;
    platform::MessageLoop& m_loop;
    EventPrinter& m_printer;
    std::ostream& m_errors;
    std::list<Receive> m_receives;
    bool m_allReceived = true;
    bool m_finished = false;
};

}  // namespace nimbo::cli
