// Shared pieces of the Qt window tests: a serial backend that shows only the
// ports a test names, modal boxes that record instead of blocking, a
// pseudo-terminal nobody answers, and kqsim.
#pragma once

#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "link/serial_backend.h"
#include "qt/modal_boxes.h"
#include "upgrade_window/upgrade_window_services.h"

namespace kq::testing {

// The platform backend, except that the slots hold only the devices given,
// so that the machine's own serial ports never appear in a test.
class PinnedPortsBackend final : public SerialBackend {
public:
    explicit PinnedPortsBackend(std::map<int, std::string> devices) : devices_(std::move(devices)) {
        setSerialBackend(this);
    }
    ~PinnedPortsBackend() override { setSerialBackend(nullptr); }

    std::array<std::string, MaxPorts + 1> portDeviceNames() override {
        std::array<std::string, MaxPorts + 1> names;
        for (const auto& [port, device] : devices_) names[port] = device;
        return names;
    }
    std::string canonicalDevice(const std::string& d) override { return real().canonicalDevice(d); }
    Handle open(const std::string& device, OpenProblem& problem) override { return real().open(device, problem); }
    void close(Handle h) override { real().close(h); }
    void configure(Handle h, const LineSettings& s) override { real().configure(h, s); }
    int read(Handle h, uint8_t* b, int n) override { return real().read(h, b, n); }
    bool write(Handle h, const uint8_t* b, int n) override { return real().write(h, b, n); }
    void purge(Handle h, int kind) override { real().purge(h, kind); }
    bool setRts(Handle h, bool raised) override { return real().setRts(h, raised); }
    void clearErrors(Handle h) override { real().clearErrors(h); }
    void waitReadable(Handle h, int us) override { real().waitReadable(h, us); }
    uint32_t tickUs() override { return real().tickUs(); }

private:
    static SerialBackend& real() { return platformSerialBackend(); }
    std::map<int, std::string> devices_;
};

// A pseudo-terminal whose other side nobody answers: a port that opens but
// where every request goes unanswered.
class SilentTerminal {
public:
    SilentTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) device_ = ::ptsname(master_);
    }
    ~SilentTerminal() {
        if (master_ >= 0) ::close(master_);
    }
    SilentTerminal(const SilentTerminal&) = delete;
    SilentTerminal& operator=(const SilentTerminal&) = delete;

    const std::string& device() const { return device_; }

private:
    int master_ = -1;
    std::string device_;
};

// What the window showed instead of modal boxes.
struct BoxLog {
    QStringList messages;
    QStringList questions;   // "title: text"
    bool answerOk = true;    // the answer to every OK / Cancel question
    QStringList fileAnswers;  // the file dialog's answers in turn; none left: cancel
    int fileDialogs = 0;
};

// Modal boxes that record into log.
inline QtModalBoxes recordingBoxes(BoxLog& log) {
    QtModalBoxes boxes;
    boxes.showMessage = [&log](QWidget*, const QString& text, MessageIcon) { log.messages << text; };
    boxes.askOkCancel = [&log](QWidget*, const QString& title, const QString& text) {
        log.questions << title + QStringLiteral(": ") + text;
        return log.answerOk;
    };
    boxes.chooseHexFile = [&log](QWidget*) {
        ++log.fileDialogs;
        return log.fileAnswers.isEmpty() ? QString() : log.fileAnswers.takeFirst();
    };
    return boxes;
}

// The folder as a tool folder: absolute, ending with a separator.
inline std::string toolFolderOf(const QString& folder) { return QDir(folder).absolutePath().toStdString() + "/"; }

// Services that keep their files in folder and tell a fixed time.
inline UpgradeWindowServices fixedServices(const QString& folder,
                                           std::time_t now = 1772870709 /* 2026-03-07 08:05:09 UTC */) {
    UpgradeWindowServices services;
    services.now = [now] { return now; };
    services.folders = ProgramFolders::oneFolder(toolFolderOf(folder));
    return services;
}

// kqsim on its own pseudo-terminal, linked at a path in a temporary folder.
class SimModule {
public:
    explicit SimModule(const QStringList& arguments) {
        link_ = dir_.filePath(QStringLiteral("COM"));
        dump_ = dir_.filePath(QStringLiteral("flash.bin"));
        process_.setProgram(QStringLiteral(KQ_BIN_DIR "/kqsim"));
        process_.setArguments(arguments + QStringList{QStringLiteral("--link"), link_, QStringLiteral("--dump"), dump_});
        process_.start();
        for (int i = 0; i < 100 && !ready_; ++i) {
            process_.waitForReadyRead(100);
            ready_ = process_.readAllStandardOutput().contains("ready");
        }
    }
    ~SimModule() { stop(); }

    bool ready() const { return ready_; }
    std::string link() const { return link_.toStdString(); }
    // Stops the module; its flash is in dumpPath() afterwards.
    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        process_.waitForFinished(5000);
    }
    QString dumpPath() const { return dump_; }

private:
    QTemporaryDir dir_;
    QString link_;
    QString dump_;
    QProcess process_;
    bool ready_ = false;
};

}  // namespace kq::testing
