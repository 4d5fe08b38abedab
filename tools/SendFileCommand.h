#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/WindowMessages.h"
#include "tools/ICliCommand.h"
#include "transfer/TransferInfo.h"

namespace nimbo::cli {

// send-file ID PATH [--seconds N]: signs in online, fetches the buddy list,
// listens, offers the file PATH to the buddy ID and sends it when the buddy
// accepts; prints progress<TAB>DONE<TAB>TOTAL per progress message and
// end<TAB>NAME when the transfer ends, then signs out. Waits for the buddy
// without limit, or for N seconds. Exit 0 only for TE_SEND_DONE.
class SendFileCommand : public ICliCommand {
public:
    explicit SendFileCommand(const std::vector<std::string>& args);
    int Run(CliContext& context) override;

private:
    std::shared_ptr<TransferInfo> Offer(CliContext& context, platform::HWND window, std::uint32_t size) const;

    std::u16string m_callee;
    std::string m_path;
    std::optional<int> m_seconds;
};

}  // namespace nimbo::cli
