#pragma once

#include <QString>
#include <optional>

namespace nimbo {

class CRegistryKey;

// The presence the user chose for themself: a status (an index of
// LogonStatus) and a status message. Kept in the settings beside the sign-in
// values and announced at every sign-in; without a choice a sign-in
// announces online with ONLINE_STATUS_TEXT.
struct OwnPresence {
    static constexpr const char* STATUS_VALUE = "Status";
    static constexpr const char* MESSAGE_VALUE = "Status Message";

    int status = 0;  // online
    QString message;

    // The choice kept in `settings`, if any.
    static std::optional<OwnPresence> Saved(const CRegistryKey& settings);
    // The choice kept in `settings`, or online with ONLINE_STATUS_TEXT when
    // there is none.
    static OwnPresence Load(const CRegistryKey& settings);
    // Keeps the choice; false when it could not be written.
    bool Save(CRegistryKey& settings) const;

    bool operator==(const OwnPresence&) const = default;
};

// The Korean label of a status for menus and the status bar: "온라인",
// "자리 비움", "바쁨", "식사 중", "오프라인으로 표시", "오프라인".
QString StatusLabel(int status);

}  // namespace nimbo
