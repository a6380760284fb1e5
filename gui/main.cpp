// kelp: the QZ740 programmer's windows. "kelp FILE.dat" opens FILE.dat once the main
// window is up, as File, Open does.
#include <QApplication>
#include <QIcon>
#include <QStringList>
#include <cstring>
#include <iostream>
#include <memory>

#include "core/app/clock.h"
#include "core/app/program_identity.h"
#include "core/app/prompter.h"
#include "core/database/dat_file.h"
#include "core/link/port_lock.h"
#include "core/link/serial_port.h"
#include "core/link/sound_output.h"
#include "gui/accessibility.h"
#include "gui/kelp_main.h"
#include "gui/please_wait.h"
#include "gui/program_title.h"
#include "gui/resources.h"
#include "gui/splash.h"
#include "platform/device_serial_port.h"
#include "platform/gui_clock.h"
#include "platform/qt_prompter.h"
#include "platform/qt_sound_output.h"

int main(int argc, char* argv[]) {
    // Answered before any window system is needed, so they work on a headless machine too.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << kelp::programVersion() << '\n';
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << "Usage: kelp [FILE.dat]\n       kelp --help | --version\n";
        return 0;
    }
    QApplication app(argc, argv);
    kelp::initResources();
    QApplication::setApplicationName(kelp::programTitle());
    QApplication::setOrganizationName(QStringLiteral("Zandrel"));
    QApplication::setDesktopFileName(QStringLiteral("example.zandrel.Kelp"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("example.zandrel.Kelp"),
                                                 kelp::svgIcon(QStringLiteral("kelp-logo"))));
    kelp::installAccessibility();

    kelp::QtPrompter prompter;
    kelp::ScopedPrompter usePrompter(prompter);
    kelp::GuiClock clock;
    kelp::ScopedClock useClock(clock);
    // One port object serves the controller link and the transmitter keying alike, on a local
    // device or at a network address.
    kelp::DeviceSerialPort serialPort;
    kelp::LockedSerialPort lockedPort(serialPort, "kelp");  // one program per port at a time
    kelp::ScopedSerialPort useSerialPort(lockedPort);
    kelp::QtSoundOutput sound;
    kelp::ScopedSoundOutput useSound(sound);
    kelp::PleaseWaitIndicator pleaseWait;
    kelp::setSaveIndicator(&pleaseWait);

    const QStringList arguments = QApplication::arguments();
    const QString fileToOpen = arguments.size() > 1 ? arguments.at(1) : QString();

    std::unique_ptr<kelp::KelpMain> mainWindow;
    kelp::Splash splash;
    QObject::connect(&splash, &kelp::Splash::timeUp, [&] {
        mainWindow = std::make_unique<kelp::KelpMain>();
        mainWindow->showAsRemembered();
        // The splash held the focus; the main window takes it over (a desktop without a
        // window manager, or one that keeps the focus where it was, would leave it nowhere).
        mainWindow->activateWindow();
        if (!fileToOpen.isEmpty())
            mainWindow->fileCommands().openPath(fileToOpen.toStdString());
    });
    splash.show();
    splash.activateWindow();

    const int result = QApplication::exec();
    kelp::setSaveIndicator(nullptr);
    return result;
}
