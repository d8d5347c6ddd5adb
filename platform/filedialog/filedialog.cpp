#include "platform/filedialog/filedialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>

Q_LOGGING_CATEGORY(lcFileDialog, "velotune.filedialog")

namespace velotune::platform {
namespace {

QMutex g_hookMutex;
FileDialogHook g_hook;  // guarded by g_hookMutex

}  // namespace

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
    QMutexLocker lock(&g_hookMutex);
    std::swap(g_hook, hook);
    return hook;
}

QStringList ToNameFilters(const QString& filter) {
    // "a|b|c|d||": the empty tail ends the list.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        if (description.isEmpty())
            break;
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns.append(pattern.trimmed());
        const QString group = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        // QFileDialog takes the patterns from the last parenthesised group, so a description
        // such as "Recorded Formats (*.wma and *.ra)" needs its real patterns after it.
        filters.append(description.endsWith(group) ? description
                                                   : description + QLatin1Char(' ') + group);
    }
    return filters;
}

QString ShowFileDialog(const FileDialogRequest& request) {
    FileDialogHook hook;
    {
        QMutexLocker lock(&g_hookMutex);
        hook = g_hook;
    }
    if (hook)
        return hook(request);

    QFileDialog dialog(request.parent);
    const bool save = request.kind == FileDialogKind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(ToNameFilters(request.filter));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(request.options & kOfnOverwritePrompt));
    QString suffix = request.defaultExtension;
    if (suffix.startsWith(QStringLiteral("*.")))
        suffix = suffix.mid(2);
    dialog.setDefaultSuffix(suffix);
    if (!request.fileName.isEmpty() && !request.fileName.contains(QLatin1Char('*')))
        dialog.selectFile(request.fileName);
    dialog.setSizeGripEnabled(request.options & kOfnEnableSizing);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return {};
    qCDebug(lcFileDialog) << (save ? "save to" : "open") << files.first();
    return QFileInfo(files.first()).absoluteFilePath();
}

}  // namespace velotune::platform
