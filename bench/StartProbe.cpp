// Loaded with LD_PRELOAD into a Qt Widgets program, the same way into the
// client and into its yardstick, so that both are timed and watched alike.
// Driven by the environment; every line it writes to NIMBO_PROBE_OUT is a
// word and the milliseconds since NIMBO_PROBE_LAUNCH (CLOCK_REALTIME
// nanoseconds, taken by the script just before it started the program):
//
//   dialog MS   the first dialog has been painted
//   rows MS     a list view shows at least NIMBO_PROBE_ROWS rows
//
// With NIMBO_PROBE_ACCEPT set, the first dialog is accepted once painted,
// as a user who presses Enter on a filled-in login dialog.
#include <time.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int ROW_POLL_MILLISECONDS = 20;

double MillisecondsSinceLaunch() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const double launch = std::atof(qgetenv("NIMBO_PROBE_LAUNCH").constData());
    return (static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec) - launch) / 1e6;
}

void Report(const char* word) {
    if (std::FILE* out = std::fopen(qgetenv("NIMBO_PROBE_OUT").constData(), "a")) {
        std::fprintf(out, "%s %.1f\n", word, MillisecondsSinceLaunch());
        std::fclose(out);
    }
}

class Probe : public QObject {
public:
    Probe() : QObject(qApp) {
        m_rows = qEnvironmentVariableIntValue("NIMBO_PROBE_ROWS");
        if (m_rows > 0) {
            connect(&m_poll, &QTimer::timeout, this, [this] { PollRows(); });
            m_poll.start(ROW_POLL_MILLISECONDS);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_dialogSeen && event->type() == QEvent::Paint) {
            if (auto* dialog = qobject_cast<QDialog*>(watched)) {
                m_dialogSeen = true;
                Report("dialog");
                if (qEnvironmentVariableIsSet("NIMBO_PROBE_ACCEPT"))
                    QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    void PollRows() {
        for (QWidget* widget : QApplication::allWidgets()) {
            auto* view = qobject_cast<QAbstractItemView*>(widget);
            if (view && view->model() && view->model()->rowCount() >= m_rows) {
                m_poll.stop();
                Report("rows");
                return;
            }
        }
    }

    bool m_dialogSeen = false;
    int m_rows = 0;
    QTimer m_poll;
};

void Install() { qApp->installEventFilter(new Probe); }  // owned by the application

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
