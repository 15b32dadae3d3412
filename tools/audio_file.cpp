#include "tools/audio_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace tools {
namespace {

void PutLittle(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

int16_t ToPcm16(float sample) {
  const float clamped = std::clamp(sample, -1.0f, 1.0f);
  return static_cast<int16_t>(std::lrint(clamped * 32767.0f));
}

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

struct FormatOutputDeleter {
  void operator()(AVFormatContext* context) const {
    if (context->pb) avio_closep(&context->pb);
    avformat_free_context(context);
  }
};
struct FormatInputDeleter {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

// Moves every packet the encoder has ready into the file.
int DrainEncoder(AVCodecContext* codec, AVFormatContext* format, AVStream* stream,
                 AVPacket* packet) {
  for (;;) {
    int result = avcodec_receive_packet(codec, packet);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return 0;
    if (result < 0) return result;
    av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    result = av_interleaved_write_frame(format, packet);
    if (result < 0) return result;
  }
}

}  // namespace

std::string WavBytes(std::span<const float> samples, int channels, int sampleRate) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  const uint32_t rate = static_cast<uint32_t>(sampleRate);
  const uint32_t count = static_cast<uint32_t>(channels);
  std::string bytes;
  bytes.reserve(44 + dataBytes);
  bytes += "RIFF";
  PutLittle(bytes, 36 + dataBytes, 4);
  bytes += "WAVEfmt ";
  PutLittle(bytes, 16, 4);
  PutLittle(bytes, 1, 2);  // PCM
  PutLittle(bytes, count, 2);
  PutLittle(bytes, rate, 4);
  PutLittle(bytes, rate * count * 2, 4);
  PutLittle(bytes, count * 2, 2);
  PutLittle(bytes, 16, 2);
  bytes += "data";
  PutLittle(bytes, dataBytes, 4);
  for (float sample : samples) PutLittle(bytes, static_cast<uint16_t>(ToPcm16(sample)), 2);
  return bytes;
}

bool WriteWav(const std::filesystem::path& path, const StereoSamples& samples) {
  const std::string bytes = WavBytes(samples, 2, kSampleRate);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "tessary-datagen: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

bool WriteWma(const std::filesystem::path& path, const StereoSamples& samples, int bitRate) {
  av_log_set_level(AV_LOG_QUIET);
  auto fail = [&](const char* what, int code) {
    std::fprintf(stderr, "tessary-datagen: %s: %s%s%s\n", path.c_str(), what,
                 code ? ": " : "", code ? AvError(code).c_str() : "");
    return false;
  };

  const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
  if (!encoder) return fail("no wmav2 encoder in this FFmpeg", 0);

  AVFormatContext* rawFormat = nullptr;
  int result = avformat_alloc_output_context2(&rawFormat, nullptr, "asf", path.c_str());
  if (result < 0 || !rawFormat) return fail("cannot create the ASF muxer", result);
  std::unique_ptr<AVFormatContext, FormatOutputDeleter> format(rawFormat);
  format->flags |= AVFMT_FLAG_BITEXACT;

  AVStream* stream = avformat_new_stream(format.get(), nullptr);
  std::unique_ptr<AVCodecContext, CodecDeleter> codec(avcodec_alloc_context3(encoder));
  if (!stream || !codec) return fail("out of memory", 0);
  codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
  codec->sample_rate = kSampleRate;
  codec->bit_rate = bitRate;
  codec->time_base = AVRational{1, kSampleRate};
  codec->flags |= AV_CODEC_FLAG_BITEXACT;
  av_channel_layout_default(&codec->ch_layout, 2);
  if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  result = avcodec_open2(codec.get(), encoder, nullptr);
  if (result < 0) return fail("cannot open the wmav2 encoder", result);
  result = avcodec_parameters_from_context(stream->codecpar, codec.get());
  if (result < 0) return fail("cannot set the stream parameters", result);
  stream->time_base = codec->time_base;

  result = avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE);
  if (result < 0) return fail("cannot open for writing", result);
  AVDictionary* options = nullptr;
  av_dict_set(&options, "fflags", "+bitexact", 0);
  result = avformat_write_header(format.get(), &options);
  av_dict_free(&options);
  if (result < 0) return fail("cannot write the ASF header", result);

  std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
  std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
  if (!frame || !packet) return fail("out of memory", 0);
  const int frameSize = codec->frame_size;
  const size_t sampleCount = samples.size() / 2;
  for (size_t start = 0; start < sampleCount; start += static_cast<size_t>(frameSize)) {
    const int count = static_cast<int>(std::min<size_t>(frameSize, sampleCount - start));
    av_frame_unref(frame.get());
    frame->format = AV_SAMPLE_FMT_FLTP;
    frame->sample_rate = kSampleRate;
    frame->nb_samples = count;
    av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout);
    result = av_frame_get_buffer(frame.get(), 0);
    if (result < 0) return fail("out of memory", result);
    auto* left = reinterpret_cast<float*>(frame->data[0]);
    auto* right = reinterpret_cast<float*>(frame->data[1]);
    for (int i = 0; i < count; ++i) {
      left[i] = samples[2 * (start + static_cast<size_t>(i))];
      right[i] = samples[2 * (start + static_cast<size_t>(i)) + 1];
    }
    frame->pts = static_cast<int64_t>(start);
    result = avcodec_send_frame(codec.get(), frame.get());
    if (result < 0) return fail("encoding failed", result);
    result = DrainEncoder(codec.get(), format.get(), stream, packet.get());
    if (result < 0) return fail("writing failed", result);
  }
  result = avcodec_send_frame(codec.get(), nullptr);
  if (result < 0) return fail("encoding failed", result);
  result = DrainEncoder(codec.get(), format.get(), stream, packet.get());
  if (result < 0) return fail("writing failed", result);
  result = av_write_trailer(format.get());
  if (result < 0) return fail("cannot finish the file", result);
  return true;
}

bool DecodeAudioFile(const std::filesystem::path& path, StereoSamples& samples, int& sampleRate) {
  av_log_set_level(AV_LOG_QUIET);
  samples.clear();
  auto fail = [&](const char* what, int code) {
    std::fprintf(stderr, "tessary-datagen: %s: %s%s%s\n", path.c_str(), what,
                 code ? ": " : "", code ? AvError(code).c_str() : "");
    return false;
  };
  AVFormatContext* rawFormat = nullptr;
  int result = avformat_open_input(&rawFormat, path.c_str(), nullptr, nullptr);
  if (result < 0) return fail("cannot open", result);
  std::unique_ptr<AVFormatContext, FormatInputDeleter> format(rawFormat);
  result = avformat_find_stream_info(format.get(), nullptr);
  if (result < 0) return fail("cannot read the stream info", result);
  const AVCodec* decoder = nullptr;
  const int streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  if (streamIndex < 0 || !decoder) return fail("no audio stream", streamIndex);
  std::unique_ptr<AVCodecContext, CodecDeleter> codec(avcodec_alloc_context3(decoder));
  if (!codec) return fail("out of memory", 0);
  avcodec_parameters_to_context(codec.get(), format->streams[streamIndex]->codecpar);
  result = avcodec_open2(codec.get(), decoder, nullptr);
  if (result < 0) return fail("cannot open the decoder", result);
  sampleRate = codec->sample_rate;

  std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
  std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
  auto receive = [&]() -> bool {
    for (;;) {
      int got = avcodec_receive_frame(codec.get(), frame.get());
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return true;
      if (got < 0) return false;
      const int channels = frame->ch_layout.nb_channels;
      const auto sampleFormat = static_cast<AVSampleFormat>(frame->format);
      const bool planar = av_sample_fmt_is_planar(sampleFormat);
      for (int i = 0; i < frame->nb_samples; ++i) {
        for (int c = 0; c < 2; ++c) {
          const int channel = std::min(c, channels - 1);
          const int plane = planar ? channel : 0;
          const int index = planar ? i : i * channels + channel;
          float value = 0.0f;
          switch (sampleFormat) {
            case AV_SAMPLE_FMT_FLT:
            case AV_SAMPLE_FMT_FLTP:
              value = reinterpret_cast<const float*>(frame->extended_data[plane])[index];
              break;
            case AV_SAMPLE_FMT_S16:
            case AV_SAMPLE_FMT_S16P:
              value = reinterpret_cast<const int16_t*>(frame->extended_data[plane])[index] /
                      32768.0f;
              break;
            default:
              return false;
          }
          samples.push_back(value);
        }
      }
    }
  };
  while (av_read_frame(format.get(), packet.get()) >= 0) {
    if (packet->stream_index == streamIndex) {
      result = avcodec_send_packet(codec.get(), packet.get());
      av_packet_unref(packet.get());
      if (result < 0 || !receive()) return fail("cannot decode", result);
    } else {
      av_packet_unref(packet.get());
    }
  }
  avcodec_send_packet(codec.get(), nullptr);
  if (!receive()) return fail("cannot decode", 0);
  return true;
}

}  // namespace tools
