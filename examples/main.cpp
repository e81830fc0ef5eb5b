// The demo console editor. With a display it opens its window; without one, or with
// --screenshot DIR, it renders each screen to PNG files and prints their paths; it exits non-zero
// when a page could not be built, bound or rendered.
// --scale N runs it at device pixel ratio N (QT_SCALE_FACTOR), screenshots included.

#include "DemoEditor.h"
#include "DemoEditorFactory.h"
#include "DynamicsPage.h"
#include "EffectsPage.h"
#include "EqPage.h"
#ifdef ZB4R_HAVE_UITOOLS
#include "FormPage.h"
#endif
#include "GeqPage.h"
#include "MeterBridgePage.h"
#include "SetupPage.h"
#include "PatchPage.h"
#include "StripsPage.h"
#include "SurroundPage.h"
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

// The value of "--scale N" or "--scale=N", read before the application exists (the scale
// factor must be set by then); empty when not given.
QByteArray scaleArgument(int argc, char **argv)
{
    const QByteArray option("--scale");
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == option && i + 1 < argc)
            return QByteArray(argv[i + 1]);
        if (arg.startsWith(option + '='))
            return arg.mid(option.size() + 1);
    }
    return QByteArray();
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray scale = scaleArgument(argc, argv);
    bool scaleValid = false;
    if (!scale.isEmpty() && scale.toDouble(&scaleValid) > 0 && scaleValid)
        qputenv("QT_SCALE_FACTOR", scale);
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
    QCommandLineOption scaleOption(QStringLiteral("scale"),
                                   QStringLiteral("Run at device pixel ratio <n> (e.g. 2)."),
                                   QStringLiteral("n"));
    parser.addOption(scaleOption);
    parser.process(app);

    QResource::registerResource(QStringLiteral(ZB4R_DEMO_ART));

    TParamMemory memory;
    DemoEditor editor(&memory);
    editor.addPage(new StripsPage(&memory));
    editor.addPage(new MeterBridgePage(&memory));
    auto *eqPage = new EqPage(&memory);
    editor.addPage(eqPage);
    editor.addPage(new DynamicsPage(&memory));
    editor.addPage(new GeqPage(&memory));
    editor.addPage(new EffectsPage(&memory));
    editor.addPage(new SurroundPage(&memory));
    editor.addPage(new PatchPage(&memory));
#ifdef ZB4R_HAVE_UITOOLS
    editor.addPage(new FormPage(&memory));
#endif
    editor.addPage(new SetupPage(&memory));
    // Strip names open the channel's EQ through the editor service.
    DemoEditorFactory editors(editor.tabs(), eqPage);
    memory.setEditorFactory(&editors);
    editor.resize(1280, 800);

    if (parser.isSet(shots) || headless()) {
        const QString dir =
                parser.isSet(shots) ? parser.value(shots) : QStringLiteral("screenshots");
        editor.startConsole();
        editor.show();
        // Let the console thread move a few things so the pictures show live values.
        QTimer::singleShot(600, &app, &QCoreApplication::quit);
        app.exec();
        QTextStream out(stdout);
        QStringList problems;
        const QStringList files = editor.saveScreens(dir, &problems);
        for (const QString &f : files)
            out << "wrote " << f << "\n";
        problems += editor.problems();
        QTextStream err(stderr);
        for (const QString &p : std::as_const(problems))
            err << "problem: " << p << "\n";
        return problems.isEmpty() && !files.isEmpty() ? 0 : 1;
    }
    editor.startConsole();
    editor.show();
    return app.exec();
}
