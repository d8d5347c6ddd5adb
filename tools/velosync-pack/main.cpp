// velosync-pack: publishes an edition of the station database. From the station list it builds
// newfm.dat, wraps it in the self-extracting package and writes the check page, into a folder laid
// out as the update server's document root.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include "res/texts.h"
#include "tools/velostn-build/stations_csv.h"
#include "tools/velosync-pack/package_maker.h"

namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

int Failed(const QString& why) {
    QTextStream(stderr) << Text(velotune::text::kPackerFailed).arg(why) << Qt::endl;
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace velotune;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velosync-pack"));

    QCommandLineParser parser;
    parser.setApplicationDescription(Text(text::kPackerDescription));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("csv"), Text(text::kBuilderCsvArgument));
    const QCommandLineOption output(QStringLiteral("output"), Text(text::kPackerOutputOption),
                                    QStringLiteral("folder"));
    const QCommandLineOption edition(QStringLiteral("edition"), Text(text::kPackerEditionOption),
                                     QStringLiteral("number"));
    const QCommandLineOption packagePath(
        QStringLiteral("package-path"),
        Text(text::kPackerPathOption).arg(Text(text::kPackerDefaultPath)), QStringLiteral("path"),
        Text(text::kPackerDefaultPath));
    const QCommandLineOption preset(
        QStringLiteral("preset"),
        Text(text::kBuilderPresetOption).arg(tools::DefaultPresets().join(QStringLiteral("; "))),
        QStringLiteral("name"));
    parser.addOptions({output, edition, packagePath, preset});
    parser.process(app);

    bool numeric = false;
    const int editionNo = parser.value(edition).toInt(&numeric);
    if (parser.positionalArguments().size() != 1 || !parser.isSet(output) || !numeric)
        return Failed(Text(text::kPackerUsageError));
    const QStringList presets =
        parser.isSet(preset) ? parser.values(preset) : tools::DefaultPresets();
    QString error;
    if (!tools::MakeEdition(parser.positionalArguments().first(), editionNo, presets,
                            parser.value(output), parser.value(packagePath), &error))
        return Failed(error);
    return 0;
}
