#include "shell/OwnPresence.h"

#include "buddies/LogonStatus.h"
#include "shell/CRegistryKey.h"

namespace nimbo {

namespace {

constexpr const char16_t* STATUS_LABELS[] = {
    u"온라인", u"자리 비움", u"바쁨", u"식사 중", u"오프라인으로 표시", u"오프라인",
};

}  // namespace

std::optional<OwnPresence> OwnPresence::Saved(const CRegistryKey& settings) {
    QString word;
    if (!settings.ReadString(QString::fromLatin1(STATUS_VALUE), word)) {
        return std::nullopt;
    }
    OwnPresence presence{StatusFromWord(word.toLatin1().constData()), QString()};
    settings.ReadString(QString::fromLatin1(MESSAGE_VALUE), presence.message);
    return presence;
}

OwnPresence OwnPresence::Load(const CRegistryKey& settings) {
    return Saved(settings).value_or(OwnPresence{LOGON_ONLINE, QString::fromUtf16(ONLINE_STATUS_TEXT)});
}

bool OwnPresence::Save(CRegistryKey& settings) const {
    return settings.WriteString(QString::fromLatin1(STATUS_VALUE), QString::fromLatin1(StatusWord(status))) &&
           settings.WriteString(QString::fromLatin1(MESSAGE_VALUE), message);
}

QString StatusLabel(int status) {
    return status >= LOGON_ONLINE && status <= LOGON_OFFLINE ? QString::fromUtf16(STATUS_LABELS[status])
                                                             : QString::fromUtf16(STATUS_LABELS[LOGON_OFFLINE]);
}

}  // namespace nimbo
