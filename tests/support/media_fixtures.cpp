#include "tests/support/media_fixtures.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>
#include <QUuid>

#include "tests/support/test_env.h"

namespace velotune::test {
namespace {

// Command-line arguments written as one line.
QStringList Words(const char* line) {
    return QString::fromLatin1(line).split(QLatin1Char(' '));
}

QString Sine(double hz) {
    return QStringLiteral("sine=frequency=%1:sample_rate=44100").arg(hz);
}

void Kill(std::unique_ptr<ChildProcess>& process) {
    if (process)
        process->Stop();
}

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

// A port nobody listens on right now; icecast binds it a moment later.
quint16 FreePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

QString Xml(const QString& text) {
    return text.toHtmlEscaped();
}

}  // namespace

QString MakeToneFile(const QString& folder, ToneFormat format, double seconds, const ToneTags& tags,
                     const QString& baseName, double frequencyHz) {
    QDir().mkpath(folder);
    QStringList args = Words("-hide_banner -loglevel error -y -f lavfi -i");
    args << Sine(frequencyHz) + QStringLiteral(":duration=%1").arg(seconds) << Words("-ac 2");
    QString extension;
    switch (format) {
        case ToneFormat::Wma:
            args << Words("-c:a wmav2 -b:a 128k -f asf");
            extension = QStringLiteral("wma");
            break;
        case ToneFormat::Mp3:
            args << Words("-c:a libmp3lame -b:a 128k -id3v2_version 3 -f mp3");
            extension = QStringLiteral("mp3");
            break;
        case ToneFormat::Ra:
            // RealMedia's AC-3 codec ("dnet") is the RealAudio codec FFmpeg can encode at 44.1 kHz.
            args << Words("-c:a ac3 -b:a 128k -f rm");
            extension = QStringLiteral("ra");
            break;
        case ToneFormat::Ogg:
        case ToneFormat::Oga:
            args << Words("-c:a libvorbis -q:a 4 -f ogg");
            extension = format == ToneFormat::Ogg ? QStringLiteral("ogg") : QStringLiteral("oga");
            break;
        case ToneFormat::Opus:
            args << Words("-c:a libopus -b:a 96k -ar 48000 -f ogg");
            extension = QStringLiteral("opus");
            break;
        case ToneFormat::Flac:
            args << Words("-c:a flac -f flac");
            extension = QStringLiteral("flac");
            break;
        case ToneFormat::M4a:
            args << Words("-c:a aac -b:a 128k -f ipod");
            extension = QStringLiteral("m4a");
            break;
        case ToneFormat::Aac:
            args << Words("-c:a aac -b:a 128k -f adts");
            extension = QStringLiteral("aac");
            break;
        case ToneFormat::Wav:
            args << Words("-c:a pcm_s16le -f wav");
            extension = QStringLiteral("wav");
            break;
    }
    const auto tag = [&](const char* key, const QString& value) {
        if (!value.isEmpty())
            args << QStringLiteral("-metadata")
                 << QString::fromLatin1(key) + QLatin1Char('=') + value;
    };
    tag("title", tags.title);
    // ASF and RealMedia carry an author field; MP3 (ID3) calls it the artist.
    tag(format == ToneFormat::Wma || format == ToneFormat::Ra ? "author" : "artist", tags.author);
    tag("copyright", tags.copyright);
    const QString path = folder + QLatin1Char('/') + baseName + QLatin1Char('.') + extension;
    args << path;
    QString output;
    if (RunProgram(QStringLiteral("ffmpeg"), args, &output) != 0 || !QFile::exists(path)) {
        qWarning("ffmpeg could not make %s: %s", qPrintable(path), qPrintable(output));
        return {};
    }
    return path;
}

// ---- IcecastStream ------------------------------------------------------------------------------

IcecastStream::IcecastStream() : IcecastStream(Options{}) {}

IcecastStream::IcecastStream(const Options& options) : options_(options) {
    folder_ = MakeTempDir(QStringLiteral("icecast"));
    password_ = QUuid::createUuid().toString(QUuid::Id128).left(16);
    const QString& password = password_;

    // icecast2 will not run as root unless told to drop to another user; it then needs nothing
    // from the private folder after start-up (logs go to its standard error), so it works both
    // for CI (root) and for a developer.
    const QString security = geteuid() == 0
                                 ? QStringLiteral(
                                       "<security><chroot>0</chroot><changeowner><user>nobody"
                                       "</user><group>nogroup</group></changeowner></security>")
                                 : QStringLiteral("<security><chroot>0</chroot></security>");
    for (int attempt = 0; attempt < 5 && !running_; ++attempt) {
        Kill(source_);
        Kill(server_);
        port_ = FreePort();
        const QString config =
            QStringLiteral(
                "<icecast>\n"
                "  <location>loopback</location><admin>test@localhost</admin>\n"
                "  "
                "<limits><clients>50</clients><sources>4</sources><source-timeout>10</"
                "source-timeout>"
                "<burst-on-connect>1</burst-on-connect><burst-size>65536</burst-size></limits>\n"
                "  "
                "<authentication><source-password>%1</source-password><admin-user>admin</"
                "admin-user>"
                "<admin-password>%1</admin-password></authentication>\n"
                "  <hostname>127.0.0.1</hostname>\n"
                "  "
                "<listen-socket><port>%2</port><bind-address>127.0.0.1</bind-address></"
                "listen-socket>\n"
                "  <fileserve>1</fileserve>\n"
                "  <paths><basedir>%3</basedir><logdir>%3</logdir><pidfile>%3/icecast.pid</pidfile>"
                "<webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin"
                "</adminroot></paths>\n"
                "  <logging><accesslog>-</accesslog><errorlog>-</errorlog><loglevel>2</loglevel>"
                "</logging>\n"
                "  %4\n"
                "</icecast>\n")
                .arg(password)
                .arg(port_)
                .arg(Xml(folder_), security);
        const QString configPath = folder_ + QStringLiteral("/icecast.xml");
        QFile file(configPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        file.write(config.toUtf8());
        file.close();

        server_ = std::make_unique<ChildProcess>();
        if (!server_->Start(QStringLiteral("icecast2"), {QStringLiteral("-c"), configPath},
                            folder_ + QStringLiteral("/server.log")))
            return;

        const bool ogg = options_.codec == Codec::Ogg;
        QStringList args = Words("-hide_banner -loglevel error -re -f lavfi -i");
        args << Sine(440.0) << Words("-ac 2 -b:a 128k -ice_name") << QStringLiteral("Tone Station")
             << Words(ogg ? "-c:a libvorbis -content_type audio/ogg -f ogg"
                          : "-c:a libmp3lame -content_type audio/mpeg -f mp3")
             << QStringLiteral("icecast://source:%1@127.0.0.1:%2%3")
                    .arg(password)
                    .arg(port_)
                    .arg(options_.mount);

        // The server needs a moment to listen; the source retries until it gets in.
        const QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired() && server_->IsRunning()) {
            if (!source_ || !source_->IsRunning()) {
                source_ = std::make_unique<ChildProcess>();
                source_->Start(QStringLiteral("ffmpeg"), args,
                               folder_ + QStringLiteral("/source.log"));
            }
            if (MountAnswers()) {
                running_ = true;
                break;
            }
            QThread::msleep(100);
        }
    }
}

IcecastStream::~IcecastStream() {
    Kill(source_);
    Kill(server_);
}

QString IcecastStream::Url() const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(options_.mount);
}

void IcecastStream::StopSource() {
    Kill(source_);
}

bool IcecastStream::SetSongTitle(const QString& song) const {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port_);
    if (!socket.waitForConnected(2000))
        return false;
    const QByteArray query = "mount=" + QUrl::toPercentEncoding(options_.mount) +
                             "&mode=updinfo&charset=UTF-8&song=" + QUrl::toPercentEncoding(song);
    const QByteArray auth = (QStringLiteral("admin:") + password_).toUtf8().toBase64();
    socket.write("GET /admin/metadata?" + query + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" +
                 "Authorization: Basic " + auth + "\r\n\r\n");
    QByteArray answer;
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && socket.state() == QAbstractSocket::ConnectedState &&
           socket.waitForReadyRead(200))
        answer += socket.readAll();
    answer += socket.readAll();
    return answer.startsWith("HTTP/1.0 200") || answer.startsWith("HTTP/1.1 200");
}

bool IcecastStream::MountAnswers() const {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port_);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write("GET " + options_.mount.toUtf8() + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray head;
    const QDeadlineTimer deadline(2000);
    while (!head.contains("\r\n") && !deadline.hasExpired() && socket.waitForReadyRead(200))
        head += socket.readAll();
    return head.startsWith("HTTP/1.0 200") || head.startsWith("HTTP/1.1 200");
}

QString IcecastStream::Diagnostics() const {
    QString text = QStringLiteral("icecast port %1, folder %2").arg(port_).arg(folder_);
    text += QStringLiteral("\nserver: ") + ReadText(folder_ + QStringLiteral("/server.log"));
    text += QStringLiteral("\nsource: ") + ReadText(folder_ + QStringLiteral("/source.log"));
    return text;
}

}  // namespace velotune::test
