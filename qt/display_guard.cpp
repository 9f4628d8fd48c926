#include "qt/display_guard.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/window_start.h"

namespace kq {

namespace {

// One guard at a time: a message handler is a plain function.
std::string guardedProgram;
QtMessageHandler passOn = nullptr;

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        passOn(type, context, message);
        return;
    }
    std::fputs(noDisplayLine(guardedProgram).c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace

DisplayGuard::DisplayGuard(std::string_view program) {
    guardedProgram = program;
    passOn = previous_ = qInstallMessageHandler(handleMessage);
}

DisplayGuard::~DisplayGuard() { qInstallMessageHandler(previous_); }

}  // namespace kq
