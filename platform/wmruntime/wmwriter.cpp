// The writer: PCM in, WMA v2 in an ASF file out. Every call holds one mutex, so the reader's
// thread (WriteSample) and the engine's other threads (Flush, EndWriting) never meet inside
// FFmpeg.
#include <cstdio>
#include <mutex>

#include "platform/wmruntime/ffmpeg_util.h"
#include "platform/wmruntime/wmruntime.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace velotune::platform {

using namespace wmrt;

namespace {

bool IsPcm16(const WmMediaType& type) {
    const WaveFormatEx& f = type.waveFormat;
    return type.majorType == WmMajorType::kAudio && f.formatTag == kWaveFormatPcm &&
           f.bitsPerSample == 16 && f.channels >= 1 && f.channels <= 8 && f.samplesPerSec >= 1000 &&
           f.samplesPerSec <= 384000 && f.blockAlign == f.channels * 2;
}

WmMediaType Pcm16Type(uint32_t rate, uint16_t channels) {
    WmMediaType type;
    type.majorType = WmMajorType::kAudio;
    type.waveFormat = WaveFormatEx::Pcm16(rate, channels);
    type.sampleSize = type.waveFormat.blockAlign;
    return type;
}

// File metadata keys for the header attributes the file carries.
const struct {
    const char16_t* attribute;
    const char* key;
} kMetadata[] = {{u"Title", "title"}, {u"Author", "author"}, {u"Copyright", "copyright"}};

}  // namespace

struct WmWriter::Impl {
    std::mutex mutex;  // held by every call
    WmHeaderInfo header;

    // Settings; guarded by mutex.
    bool haveProfile = false;
    WmProfile profile;
    std::string path;
    WmMediaType input;

    // The file being written; guarded by mutex. Declared so that the encoder and converter go
    // before the output they feed.
    OutputPtr output;
    CodecPtr encoder;
    SwrPtr swr;
    FifoPtr fifo;
    FramePtr frame;
    PacketPtr packet;
    AVStream* stream = nullptr;  // owned by output
    int64_t nextPts = 0;
    HResult firstError = kSOk;  // the first failure while writing, reported by EndWriting

    bool Writing() const { return output != nullptr; }
    HResult Begin();
    HResult Push(const uint8_t* pcm, int frames);
    HResult EncodeFifo(bool final);
    HResult Send(const AVFrame* f);
    HResult End();
    void Discard();
};

HResult WmWriter::Impl::Begin() {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (!codec)
        return kNsENoCodec;
    AVFormatContext* oc = nullptr;
    int r = avformat_alloc_output_context2(&oc, nullptr, "asf", path.c_str());
    if (r < 0 || !oc)
        return FromAvError(r < 0 ? r : AVERROR_MUXER_NOT_FOUND);
    output.reset(oc);

    encoder.reset(avcodec_alloc_context3(codec));
    frame.reset(av_frame_alloc());
    packet.reset(av_packet_alloc());
    if (!encoder || !frame || !packet)
        return kEOutOfMemory;
    AVCodecContext* enc = encoder.get();
    enc->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    enc->sample_rate = int(profile.sampleRate);
    av_channel_layout_default(&enc->ch_layout, profile.channels);
    enc->bit_rate = profile.bitrate;
    enc->time_base = AVRational{1, enc->sample_rate};
    if (oc->oformat->flags & AVFMT_GLOBALHEADER)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((r = avcodec_open2(enc, codec, nullptr)) < 0)
        return FromAvError(r);

    stream = avformat_new_stream(oc, nullptr);
    if (!stream)
        return kEOutOfMemory;
    if ((r = avcodec_parameters_from_context(stream->codecpar, enc)) < 0)
        return FromAvError(r);
    stream->time_base = enc->time_base;
    for (const auto& m : kMetadata) {
        const std::string value = header.StringAttribute(m.attribute);
        if (!value.empty())
            av_dict_set(&oc->metadata, m.key, value.c_str(), 0);
    }

    const WaveFormatEx& in = input.waveFormat;
    AVChannelLayout inLayout{};
    av_channel_layout_default(&inLayout, in.channels);
    SwrContext* s = nullptr;
    r = swr_alloc_set_opts2(&s, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &inLayout,
                            AV_SAMPLE_FMT_S16, int(in.samplesPerSec), 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    swr.reset(s);
    if (r < 0 || (r = swr_init(s)) < 0)
        return FromAvError(r);

    const int frameSize = enc->frame_size > 0 ? enc->frame_size : 2048;
    fifo.reset(av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, frameSize * 4));
    if (!fifo)
        return kEOutOfMemory;
    frame->nb_samples = frameSize;
    frame->format = enc->sample_fmt;
    frame->sample_rate = enc->sample_rate;
    av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
    if ((r = av_frame_get_buffer(frame.get(), 0)) < 0)
        return FromAvError(r);

    // Only now touch the disk, so a settings failure leaves no file behind.
    if ((r = avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0)
        return FromAvError(r);
    // Each muxed packet goes to the file as it is made (a few KiB a second): without this the
    // output buffers about half a minute of audio, which a crash would lose and behind which a
    // full disk would go unnoticed.
    oc->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    if ((r = avformat_write_header(oc, nullptr)) < 0)
        return FromAvError(r);
    nextPts = 0;
    firstError = kSOk;
    return kSOk;
}

HResult WmWriter::Impl::Send(const AVFrame* f) {
    int r = avcodec_send_frame(encoder.get(), f);
    if (r < 0 && r != AVERROR_EOF)
        return FromAvError(r);
    while ((r = avcodec_receive_packet(encoder.get(), packet.get())) >= 0) {
        packet->stream_index = stream->index;
        av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
        r = av_interleaved_write_frame(output.get(), packet.get());  // takes the packet's data
        if (r < 0)
            return FromAvError(r);
    }
    return r == AVERROR(EAGAIN) || r == AVERROR_EOF ? kSOk : FromAvError(r);
}

HResult WmWriter::Impl::EncodeFifo(bool final) {
    const int frameSize = frame->nb_samples;
    while (av_audio_fifo_size(fifo.get()) >= frameSize ||
           (final && av_audio_fifo_size(fifo.get()) > 0)) {
        int r = av_frame_make_writable(frame.get());
        if (r < 0)
            return FromAvError(r);
        const int n =
            av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(frame->data), frameSize);
        if (n < 0)
            return FromAvError(n);
        // The encoder takes whole frames only; the last one is completed with silence.
        if (n < frameSize)
            av_samples_set_silence(frame->data, n, frameSize - n, frame->ch_layout.nb_channels,
                                   AVSampleFormat(frame->format));
        frame->pts = nextPts;
        nextPts += frameSize;
        const HResult hr = Send(frame.get());
        if (Failed(hr))
            return hr;
    }
    return kSOk;
}

HResult WmWriter::Impl::Push(const uint8_t* pcm, int frames) {
    const int capacity = swr_get_out_samples(swr.get(), frames);
    if (capacity <= 0)
        return kSOk;
    uint8_t** planes = nullptr;
    int r = av_samples_alloc_array_and_samples(&planes, nullptr, encoder->ch_layout.nb_channels,
                                               capacity, encoder->sample_fmt, 0);
    if (r < 0)
        return FromAvError(r);
    const uint8_t* in = pcm;
    const int n = swr_convert(swr.get(), planes, capacity, pcm ? &in : nullptr, frames);
    r = n >= 0 ? av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(planes), n) : n;
    av_freep(&planes[0]);
    av_freep(&planes);
    if (r < 0)
        return FromAvError(r);
    return EncodeFifo(false);
}

HResult WmWriter::Impl::End() {
    HResult hr = firstError;
    const auto keep = [&hr](HResult step) {
        if (Succeeded(hr) && Failed(step))
            hr = step;
    };
    keep(Push(nullptr, 0));  // what the converter still holds
    keep(EncodeFifo(true));
    keep(Send(nullptr));  // what the encoder still holds
    keep(FromAvError(av_write_trailer(output.get())));
    // Closing writes what is still buffered; its failure is only seen in the context's error.
    if (output->pb) {
        avio_flush(output->pb);
        keep(FromAvError(output->pb->error));
        keep(FromAvError(avio_closep(&output->pb)));
    }
    Discard();
    return hr;
}

void WmWriter::Impl::Discard() {
    frame.reset();
    packet.reset();
    fifo.reset();
    swr.reset();
    encoder.reset();
    stream = nullptr;
    output.reset();  // closes the file
}

// ---- WmWriter -----------------------------------------------------------------------------------

WmWriter::WmWriter() : impl_(std::make_unique<Impl>()) {
    impl_->header.Reset(WmHeaderInfo::Access::kReadWrite);
}

WmWriter::~WmWriter() {
    std::lock_guard lock(impl_->mutex);
    if (impl_->Writing())
        impl_->End();
}

HResult WmWriter::SetProfile(const WmProfile& profile) {
    // What the runtime can encode: WMA v2 at the rates and channel counts its encoder takes.
    if (profile.channels < 1 || profile.channels > 2 || profile.sampleRate < 8000 ||
        profile.sampleRate > 48000 || profile.bitrate < 16000)
        return kEInvalidArg;
    std::lock_guard lock(impl_->mutex);
    if (impl_->Writing())
        return kNsEInvalidRequest;
    impl_->profile = profile;
    impl_->haveProfile = true;
    impl_->input = Pcm16Type(profile.sampleRate, profile.channels);
    return kSOk;
}

HResult WmWriter::SetOutputFilename(std::u16string_view path) {
    if (path.empty())
        return kEInvalidArg;
    std::lock_guard lock(impl_->mutex);
    if (impl_->Writing())
        return kNsEInvalidRequest;
    impl_->path = ToUtf8(path);
    return kSOk;
}

HResult WmWriter::GetInputCount(uint32_t* count) const {
    if (!count)
        return kEInvalidArg;
    std::lock_guard lock(impl_->mutex);
    if (!impl_->haveProfile)
        return kNsEInvalidRequest;
    *count = 1;
    return kSOk;
}

HResult WmWriter::GetInputProps(uint32_t input, WmInputMediaProps* props) const {
    if (!props)
        return kEInvalidArg;
    std::lock_guard lock(impl_->mutex);
    if (!impl_->haveProfile)
        return kNsEInvalidRequest;
    if (input != 0)
        return kEInvalidArg;
    return props->SetMediaType(impl_->input);
}

HResult WmWriter::SetInputProps(uint32_t input, const WmInputMediaProps& props) {
    WmMediaType type;
    props.GetMediaType(&type);
    std::lock_guard lock(impl_->mutex);
    if (!impl_->haveProfile || impl_->Writing())
        return kNsEInvalidRequest;
    if (input != 0)
        return kEInvalidArg;
    if (!IsPcm16(type))
        return kNsEInvalidInputFormat;
    impl_->input = type;
    return kSOk;
}

HResult WmWriter::BeginWriting() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (d.Writing() || !d.haveProfile || d.path.empty())
        return kNsEInvalidRequest;
    const HResult hr = d.Begin();
    if (Failed(hr)) {
        const bool created = d.output && d.output->pb;
        d.Discard();
        if (created)
            std::remove(d.path.c_str());
        qCWarning(lcWmRuntime) << "cannot begin writing" << d.path.c_str() << Qt::hex
                               << uint32_t(hr);
        return hr;
    }
    d.header.SetAccess(WmHeaderInfo::Access::kReadOnly);
    return kSOk;
}

HResult WmWriter::WriteSample(uint32_t input, uint64_t /*sampleTime*/, uint32_t /*flags*/,
                              const WmSampleBuffer& sample) {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    HResult hr = sample.GetBufferAndLength(&data, &length);
    if (Failed(hr))
        return hr;
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.Writing())
        return kNsEInvalidRequest;
    if (input != 0)
        return kEInvalidArg;
    const int frames = int(length / d.input.waveFormat.blockAlign);
    if (frames <= 0)
        return kSOk;
    hr = d.Push(data, frames);
    if (Failed(hr) && Succeeded(d.firstError))
        d.firstError = hr;
    return hr;
}

HResult WmWriter::Flush() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.Writing())
        return kNsEInvalidRequest;
    int r = av_interleaved_write_frame(d.output.get(), nullptr);
    avio_flush(d.output->pb);
    if (r >= 0 && d.output->pb->error < 0)
        r = d.output->pb->error;  // a write that failed (a full disk) is kept here
    return r < 0 ? FromAvError(r) : kSOk;
}

HResult WmWriter::EndWriting() {
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.Writing())
        return kNsEInvalidRequest;
    const HResult hr = d.End();
    // The next file starts with a clean header; its attributes come from its own source.
    d.header.Reset(WmHeaderInfo::Access::kReadWrite);
    return hr;
}

WmHeaderInfo* WmWriter::HeaderInfo() {
    return &impl_->header;
}

HResult WmCreateWriter(std::unique_ptr<WmWriter>* writer) {
    if (!writer)
        return kEInvalidArg;
    InitFfmpeg();
    if (!avcodec_find_encoder(AV_CODEC_ID_WMAV2) || !av_guess_format("asf", nullptr, nullptr))
        return kNsENoCodec;
    writer->reset(new WmWriter());
    return kSOk;
}

}  // namespace velotune::platform
