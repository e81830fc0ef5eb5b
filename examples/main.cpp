// The demo console editor. With a display it opens its window; without one, or with
// --screenshot DIR, it renders each screen to PNG files and prints their paths.

#include "DemoEditor.h"
#include "DemoEditorFactory.h"
#include "DynamicsPage.h"
#include "EffectsPage.h"
#include "EqPage.h"
#include "FormPage.h"
#include "MeterBridgePage.h"
#include "SetupPage.h"
#include "PatchPage.h"
#include "StripsPage.h"
#include "TParamMemory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QResource>
#include <QTextStream>
#include <QTimer>

namespace {

bool headless()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption shots(QStringLiteral("screenshot"),
                             QStringLiteral("Render every screen to PNG files in <dir>."),
                             QStringLiteral("dir"));
    parser.addOption(shots);
    parser.process(app);

    QResource::registerResource(QStringLiteral(ZB4R_DEMO_ART));

    TParamMemory memory;
    DemoEditor editor(&memory);
    editor.addPage(new StripsPage(&memory));
    editor.addPage(new MeterBridgePage(&memory));
    auto *eqPage = new EqPage(&memory);
    editor.addPage(eqPage);
    editor.addPage(new EffectsPage(&memory));
    editor.addPage(new PatchPage(&memory));
    editor.addPage(new FormPage(&memory));
    editor.addPage(new SetupPage(&memory));
    // Strip names open the channel's EQ through the editor service.
    DemoEditorFactory editors(editor.tabs(), eqPage);
    memory.setEditorFactory(&editors);
    editor.resize(1280, 800);

    if (parser.isSet(shots) || headless()) {
        const QString dir = parser.isSet(shots) ? parser.value(shots) : QStringLiteral("screenshots");
        editor.startConsole();
        editor.show();
        // Let the console thread move a few things so the pictures show live values.
        QTimer::singleShot(600, &app, &QCoreApplication::quit);
        app.exec();
        QTextStream out(stdout);
        const QStringList files = editor.saveScreens(dir);
        for (const QString &f : files)
            out << "wrote " << f << "\n";
        return files.isEmpty() ? 1 : 0;
    }
    editor.startConsole();
    editor.show();
    return app.exec();
}
