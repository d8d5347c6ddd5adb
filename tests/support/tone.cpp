#include "tests/support/tone.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "tests/support/test_env.h"

namespace velotune::test {

bool ReadWav(const QString& path, PcmAudio* audio) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return false;
    const auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };

    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        qsizetype size = u32(at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt " && body + 16 <= bytes.size()) {
            if (u16(body) != 1 || u16(body + 14) != 16)
                return false;
            audio->channels = u16(body + 2);
            audio->sampleRate = int(u32(body + 4));
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return false;
            if (size == 0 || size == 0xFFFFFFFF || body + size > bytes.size())
                size = bytes.size() - body;
            audio->samples.resize(size_t(size / 2));
            for (size_t i = 0; i < audio->samples.size(); ++i)
                audio->samples[i] = qFromLittleEndian<qint16>(bytes.constData() + body + 2 * i);
            return true;
        }
        at = body + size + (size & 1);
    }
    return false;
}

double ToneShare(const PcmAudio& audio, double frequencyHz) {
    if (audio.samples.empty() || audio.channels <= 0 || audio.sampleRate <= 0)
        return 0.0;
    const size_t frames = audio.samples.size() / size_t(audio.channels);
    const double coeff = 2.0 * std::cos(2.0 * std::numbers::pi * frequencyHz / audio.sampleRate);
    double toneEnergy = 0.0;
    double totalEnergy = 0.0;
    for (int ch = 0; ch < audio.channels; ++ch) {
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = 0; i < frames; ++i) {
            const double x = audio.samples[i * size_t(audio.channels) + size_t(ch)];
            totalEnergy += x * x;
            const double s0 = x + coeff * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        // |X(k)|^2 of the Goertzel bin; a pure sine of amplitude A over N samples gives (A*N/2)^2,
        // and its energy is A^2*N/2, so 2*|X|^2/N is the energy at the frequency.
        const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
        toneEnergy += 2.0 * power / double(frames);
    }
    return totalEnergy > 0.0 ? std::min(1.0, toneEnergy / totalEnergy) : 0.0;
}

double Rms(const PcmAudio& audio) {
    if (audio.samples.empty())
        return 0.0;
    double sum = 0.0;
    for (int16_t s : audio.samples)
        sum += double(s) * s;
    return std::sqrt(sum / double(audio.samples.size()));
}

PcmAudio DecodeToPcm(const QString& path) {
    const QString wav = path + QStringLiteral(".decoded.wav");
    PcmAudio audio;
    if (RunProgram(QStringLiteral("ffmpeg"),
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                    QStringLiteral("-i"), path, QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"),
                    wav}) == 0)
        ReadWav(wav, &audio);
    return audio;
}

PcmAudio From(const PcmAudio& audio, double from) {
    PcmAudio part = audio;
    const size_t skip =
        std::min(part.samples.size(), size_t(from * audio.sampleRate) * size_t(audio.channels));
    part.samples.erase(part.samples.begin(), part.samples.begin() + std::ptrdiff_t(skip));
    return part;
}

}  // namespace velotune::test
