// The start-up entry as an XDG autostart desktop file. Only the Exec line matters to us; the rest
// is what a desktop session needs to show and run the entry.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>

#include "platform/registry/registry.h"

Q_DECLARE_LOGGING_CATEGORY(lcRegistry)

namespace velotune::platform {
namespace {

// Characters that make an Exec argument need double quotes (freedesktop.org Desktop Entry format).
bool NeedsQuotes(const QString& arg) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (QChar c : arg)
        if (reserved.contains(c))
            return true;
    return arg.isEmpty();
}

// Escapes a desktop-file string value (backslash, newline, tab, carriage return).
QString EscapeValue(const QString& text) {
    QString value;
    for (QChar c : text) {
        switch (c.unicode()) {
            case '\\':
                value += QStringLiteral("\\\\");
                break;
            case '\n':
                value += QStringLiteral("\\n");
                break;
            case '\t':
                value += QStringLiteral("\\t");
                break;
            case '\r':
                value += QStringLiteral("\\r");
                break;
            default:
                value += c;
                break;
        }
    }
    return value;
}

// One program path as the value of an Exec key: quoted when needed, "%" doubled, then escaped as
// a string value.
QString ExecValue(const QString& program) {
    QString arg;
    if (NeedsQuotes(program)) {
        arg = QStringLiteral("\"");
        for (QChar c : program) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                arg += QLatin1Char('\\');
            arg += c;
        }
        arg += QLatin1Char('"');
    } else {
        arg = program;
    }
    arg.replace(QStringLiteral("%"), QStringLiteral("%%"));
    return EscapeValue(arg);
}

// Undoes the string-value escapes of a desktop file.
QString UnescapeValue(const QString& raw) {
    QString out;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != QLatin1Char('\\') || i + 1 == raw.size()) {
            out += c;
            continue;
        }
        switch (raw[++i].unicode()) {
            case 's':
                out += QLatin1Char(' ');
                break;
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            default:
                out += raw[i];
                break;
        }
    }
    return out;
}

// The first argument of an Exec value (after UnescapeValue): the program.
QString FirstArgument(const QString& exec) {
    QString arg;
    qsizetype i = 0;
    while (i < exec.size() && exec[i].isSpace())
        ++i;
    if (i < exec.size() && exec[i] == QLatin1Char('"')) {
        for (++i; i < exec.size() && exec[i] != QLatin1Char('"'); ++i) {
            if (exec[i] == QLatin1Char('\\') && i + 1 < exec.size())
                ++i;
            arg += exec[i];
        }
        if (i == exec.size())
            return {};  // no closing quote: not a usable command line
    } else {
        for (; i < exec.size() && !exec[i].isSpace(); ++i)
            arg += exec[i];
    }
    arg.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return arg;
}

}  // namespace

QString StartupEntryPath(const QString& id) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + id + QStringLiteral(".desktop");
}

bool ReadStartupEntry(const QString& id, QString* programPath) {
    QFile file(StartupEntryPath(id));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool inMainGroup = false;
    QString program;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        // A hidden entry counts as deleted, as XDG autostart defines it.
        if (key == QStringLiteral("Hidden") && value == QStringLiteral("true"))
            return false;
        if (key == QStringLiteral("Exec"))
            program = FirstArgument(UnescapeValue(value));
    }
    if (program.isEmpty())
        return false;
    if (programPath)
        *programPath = program;
    return true;
}

bool WriteStartupEntry(const QString& id, const QString& displayName, const QString& programPath) {
    if (programPath.isEmpty())
        return false;
    const QString path = StartupEntryPath(id);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcRegistry) << "cannot write" << path << file.errorString();
        return false;
    }
    const QString content = QStringLiteral("[Desktop Entry]\nType=Application\nName=") +
                            EscapeValue(displayName) + QStringLiteral("\nExec=") +
                            ExecValue(programPath) +
                            QStringLiteral("\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    file.write(content.toUtf8());
    return file.commit();
}

bool DeleteStartupEntry(const QString& id) {
    QFile file(StartupEntryPath(id));
    return file.exists() && file.remove();
}

}  // namespace velotune::platform
