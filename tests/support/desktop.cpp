#include "tests/support/desktop.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "tests/support/test_env.h"

namespace velotune::test {
namespace {

QString ReadLog(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Where the pointer is; (-1, -1) when xdotool cannot tell.
QPoint PointerPosition() {
    // --shell prints X=, Y=, SCREEN= and WINDOW= lines.
    const std::optional<QString> out =
        Xdotool({QStringLiteral("getmouselocation"), QStringLiteral("--shell")});
    QPoint at(-1, -1);
    for (const QString& line : out.value_or(QString()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("X=")))
            at.setX(line.mid(2).toInt());
        else if (line.startsWith(QLatin1String("Y=")))
            at.setY(line.mid(2).toInt());
    }
    return at;
}

}  // namespace

bool Eventually(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

std::optional<QString> Xdotool(const QStringList& args) {
    QString output;
    const int code = RunProgram(QStringLiteral("xdotool"), args, &output, 30000);
    if (code != 0)
        return std::nullopt;
    return output.trimmed();
}

QStringList FindWindows(const QString& title, bool visibleOnly) {
    QStringList args{QStringLiteral("search")};
    if (visibleOnly)
        args << QStringLiteral("--onlyvisible");
    args << QStringLiteral("--name") << QLatin1Char('^') + title + QLatin1Char('$');
    const QString found = Xdotool(args).value_or(QString());
    return found.isEmpty() ? QStringList() : found.split(QLatin1Char('\n'));
}

QString FindWindow(const QString& title, bool visibleOnly) {
    const QStringList windows = FindWindows(title, visibleOnly);
    return windows.isEmpty() ? QString() : windows.first();
}

QString WaitForWindow(const QString& title, int timeoutMs) {
    QString id;
    Eventually([&] { return !(id = FindWindow(title, true)).isEmpty(); }, timeoutMs);
    return id;
}

bool Keys(const QString& window, const QStringList& keys) {
    return Xdotool(QStringList{QStringLiteral("windowactivate"), QStringLiteral("--sync"), window,
                               QStringLiteral("key"), QStringLiteral("--clearmodifiers")} +
                   keys)
        .has_value();
}

std::optional<QRect> WindowGeometry(const QString& window) {
    // --shell prints WINDOW=, X=, Y=, WIDTH=, HEIGHT= and SCREEN= lines.
    const std::optional<QString> out =
        Xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    if (!out)
        return std::nullopt;
    QRect rect;
    for (const QString& line : out->split(QLatin1Char('\n'))) {
        const int value = line.section(QLatin1Char('='), 1).toInt();
        if (line.startsWith(QLatin1String("X=")))
            rect.moveLeft(value);
        else if (line.startsWith(QLatin1String("Y=")))
            rect.moveTop(value);
        else if (line.startsWith(QLatin1String("WIDTH=")))
            rect.setWidth(value);
        else if (line.startsWith(QLatin1String("HEIGHT=")))
            rect.setHeight(value);
    }
    return rect;
}

bool ClickAt(const QPoint& position, int button) {
    // "mousemove --sync" waits for the pointer to move, which it never does when it is there
    // already: xdotool then gives up only after many seconds.
    QStringList args;
    if (PointerPosition() != position)
        args << QStringLiteral("mousemove") << QStringLiteral("--sync")
             << QString::number(position.x()) << QString::number(position.y());
    args << QStringLiteral("click") << QString::number(button);
    return Xdotool(args).has_value();
}

Desktop::~Desktop() {
    tray_.Stop();
    windowManager_.Stop();
}

bool Desktop::StartWindowManager(QString* diagnostics) {
    // Now and then a fresh display refuses its first client for a moment; openbox then gives up
    // at once, so it gets a few tries.
    const QString log = MakeTempDir(QStringLiteral("wm")) + QStringLiteral("/openbox.log");
    bool managed = false;
    for (int attempt = 0; attempt < 3 && !managed; ++attempt) {
        windowManager_.Stop();
        if (!windowManager_.Start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")}, log))
            break;
        Eventually([&] {
            managed = Xdotool({QStringLiteral("get_desktop")}).has_value();
            return managed || !windowManager_.IsRunning();
        });
    }
    if (!managed)
        *diagnostics = QStringLiteral("openbox: ") + ReadLog(log) + QStringLiteral(" on display ") +
                       qEnvironmentVariable("DISPLAY");
    return managed;
}

bool Desktop::StartTray(QString* diagnostics) {
    // trayer takes the display's tray before it maps its panel, so a panel on screen means that
    // icons can dock. Its width follows the icons it holds.
    const QString log = MakeTempDir(QStringLiteral("tray")) + QStringLiteral("/trayer.log");
    if (!tray_.Start(
            QStringLiteral("trayer"),
            {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
             QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
             QStringLiteral("--height"), QStringLiteral("24"), QStringLiteral("--SetDockType"),
             QStringLiteral("true"), QStringLiteral("--transparent"), QStringLiteral("false")},
            log)) {
        *diagnostics = QStringLiteral("trayer did not start");
        return false;
    }
    Eventually([&] {
        trayWindow_ = Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                               QStringLiteral("--classname"), QStringLiteral("panel")})
                          .value_or(QString())
                          .section(QLatin1Char('\n'), 0, 0);
        return !trayWindow_.isEmpty() || !tray_.IsRunning();
    });
    if (trayWindow_.isEmpty()) {
        *diagnostics = QStringLiteral("trayer: ") + ReadLog(log);
        return false;
    }
    return true;
}

QRect Desktop::TrayGeometry() const {
    if (trayWindow_.isEmpty())
        return {};
    return WindowGeometry(trayWindow_).value_or(QRect());
}

}  // namespace velotune::test
