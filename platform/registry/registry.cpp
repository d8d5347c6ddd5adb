#include "platform/registry/registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <limits>

#include "res/texts.h"

Q_LOGGING_CATEGORY(lcRegistry, "velotune.registry")

namespace velotune::platform {

QString RegistryFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + QString::fromUtf8(text::kMakerName) + QLatin1Char('/') +
           QString::fromUtf8(text::kProductName) + QStringLiteral(".conf");
}

bool RegistryFileReadable() {
    const QString path = RegistryFilePath();
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    return QSettings(path, QSettings::IniFormat).status() == QSettings::NoError;
}

RegistryKey::RegistryKey(const QString& subKey)
    : settings_(std::make_unique<QSettings>(RegistryFilePath(), QSettings::IniFormat)) {
    if (!subKey.isEmpty())
        settings_->beginGroup(subKey);
}

RegistryKey::~RegistryKey() {
    // QSettings would write pending changes on destruction; do it here so a failure is logged.
    if (!changes_.empty())
        Flush();
}

bool RegistryKey::HasValue(const QString& name) const {
    return settings_->contains(name);
}

bool RegistryKey::ReadDword(const QString& name, quint32* value) const {
    const QVariant stored = settings_->value(name);
    if (!stored.isValid() || stored.typeId() == QMetaType::QStringList)
        return false;
    bool ok = false;
    const qlonglong number = stored.toString().trimmed().toLongLong(&ok);
    if (!ok || number < std::numeric_limits<qint32>::min() ||
        number > qlonglong(std::numeric_limits<quint32>::max()))
        return false;
    *value = static_cast<quint32>(number);
    return true;
}

bool RegistryKey::ReadText(const QString& name, QString* value) const {
    const QVariant stored = settings_->value(name);
    if (!stored.isValid())
        return false;
    // An unquoted comma in a hand-edited file makes the INI reader split the text; put it back.
    if (stored.typeId() == QMetaType::QStringList)
        *value = stored.toStringList().join(QStringLiteral(", "));
    else
        *value = stored.toString();
    return true;
}

void RegistryKey::Remember(const QString& name) {
    for (const Change& change : changes_)
        if (change.name == name)
            return;
    Change change;
    change.name = name;
    change.existed = settings_->contains(name);
    if (change.existed)
        change.old = settings_->value(name);
    changes_.push_back(change);
}

void RegistryKey::SetDword(const QString& name, quint32 value) {
    Remember(name);
    settings_->setValue(name, QString::number(value));
}

void RegistryKey::SetSignedDword(const QString& name, qint32 value) {
    Remember(name);
    settings_->setValue(name, QString::number(value));
}

void RegistryKey::SetText(const QString& name, const QString& value) {
    Remember(name);
    settings_->setValue(name, value);
}

QStringList RegistryKey::ValueNames() const {
    return settings_->childKeys();
}

bool RegistryKey::DeleteValue(const QString& name) {
    if (!settings_->contains(name))
        return false;
    Remember(name);
    settings_->remove(name);
    return true;
}

bool RegistryKey::Flush() {
    settings_->sync();
    if (settings_->status() == QSettings::NoError) {
        changes_.clear();
        return true;
    }
    qCWarning(lcRegistry) << "cannot write" << settings_->fileName();
    // QSettings keeps unwritten changes in a cache that every QSettings of this file in the
    // process shares. Put the old values back so that later reads agree with the file.
    for (const Change& change : changes_) {
        if (change.existed)
            settings_->setValue(change.name, change.old);
        else
            settings_->remove(change.name);
    }
    changes_.clear();
    return false;
}

bool RegWriteDword(const QString& subKey, const QString& name, quint32 value) {
    RegistryKey key(subKey);
    key.SetDword(name, value);
    return key.Flush();
}

bool RegReadDword(const QString& subKey, const QString& name, quint32* value) {
    return RegistryKey(subKey).ReadDword(name, value);
}

bool RegWriteText(const QString& subKey, const QString& name, const QString& value) {
    RegistryKey key(subKey);
    key.SetText(name, value);
    return key.Flush();
}

bool RegReadText(const QString& subKey, const QString& name, QString* value) {
    return RegistryKey(subKey).ReadText(name, value);
}

bool RegDeleteValue(const QString& subKey, const QString& name) {
    RegistryKey key(subKey);
    return key.DeleteValue(name) && key.Flush();
}

}  // namespace velotune::platform
