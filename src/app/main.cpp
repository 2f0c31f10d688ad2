// The program's entry: the Qt application (which takes its own options off the
// command line), then the application object with the arguments left.

#include "app/app.h"

#include <QApplication>

#include <clocale>
#include <exception>

namespace {

// Qt's event loop cannot carry an exception out of a command: the application
// shows it and lets the user decide whether the program goes on.
class KorvidaApplication : public QApplication {
public:
    KorvidaApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            if (!kv::app::ReportStrayException(std::current_exception())) QApplication::exit(1);
            return true;
        }
    }
};

// Builds the Qt application and the program's application object, runs the message
// loop and returns its status as the exit code.
int RunProgram(int argc, char** argv) {
    KorvidaApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvida"));
    // Qt switched the process to the user's locale; the document's formats stay
    // those of the C locale.
    std::setlocale(LC_NUMERIC, "C");
    kv::app::InstallProgramServices();
    korvidaApp app;
    korvidaApp::SetArguments(argc, argv);
    return app.Run();
}

}  // namespace

int main(int argc, char** argv) { return RunProgram(argc, argv); }
