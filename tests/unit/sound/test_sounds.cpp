#include "test_sounds.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
}

namespace sound_test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessary-sound-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

WorkingDirectory::WorkingDirectory(const std::filesystem::path& dir)
    : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir);
}

WorkingDirectory::~WorkingDirectory() { std::filesystem::current_path(previous_); }

int16_t RampValue(std::size_t k, int step) {
  return static_cast<int16_t>(1 + (k / static_cast<std::size_t>(step)) % 30000);
}

Pcm16 StereoRamp(std::size_t frames, int step) {
  Pcm16 pcm;
  pcm.samples.reserve(frames * 2);
  for (std::size_t k = 0; k < frames; ++k) {
    pcm.samples.push_back(RampValue(k, step));
    pcm.samples.push_back(static_cast<int16_t>(-RampValue(k, step)));
  }
  return pcm;
}

Pcm16 Tone(int rate, int channels, std::size_t frames, double hertz, double amplitude) {
  Pcm16 pcm;
  pcm.rate = rate;
  pcm.channels = channels;
  pcm.samples.assign(frames * static_cast<std::size_t>(channels), 0);
  const double pi = std::acos(-1.0);
  for (std::size_t k = 0; k < frames; ++k) {
    const double phase = 2.0 * pi * hertz * static_cast<double>(k) / rate;
    pcm.samples[k * static_cast<std::size_t>(channels)] =
        static_cast<int16_t>(std::lround(32767.0 * amplitude * std::sin(phase)));
  }
  return pcm;
}

namespace {

void Put16(std::ofstream& out, uint16_t v) {
  const char bytes[2] = {static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
  out.write(bytes, 2);
}

void Put32(std::ofstream& out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v & 0xffff));
  Put16(out, static_cast<uint16_t>(v >> 16));
}

std::string AvError(const char* what, int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return std::string(what) + ": " + text;
}

}  // namespace

void WriteWav(const std::filesystem::path& path, const Pcm16& pcm) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const auto dataBytes = static_cast<uint32_t>(pcm.samples.size() * 2);
  const auto channels = static_cast<uint16_t>(pcm.channels);
  const auto rate = static_cast<uint32_t>(pcm.rate);
  out.write("RIFF", 4);
  Put32(out, 36 + dataBytes);
  out.write("WAVEfmt ", 8);
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, channels);
  Put32(out, rate);
  Put32(out, rate * channels * 2);
  Put16(out, static_cast<uint16_t>(channels * 2));
  Put16(out, 16);
  out.write("data", 4);
  Put32(out, dataBytes);
  for (int16_t s : pcm.samples) Put16(out, static_cast<uint16_t>(s));
}

std::string WriteWma(const std::filesystem::path& path, const Pcm16& pcm) {
  struct Output {
    AVFormatContext* format = nullptr;
    AVCodecContext* encoder = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    ~Output() {
      av_packet_free(&packet);
      av_frame_free(&frame);
      avcodec_free_context(&encoder);
      if (format) {
        avio_closep(&format->pb);
        avformat_free_context(format);
      }
    }
  } out;

  const std::string name = path.string();
  int result = avformat_alloc_output_context2(&out.format, nullptr, "asf", name.c_str());
  if (result < 0) return AvError("asf muxer", result);
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
  if (codec == nullptr) return "no wmav2 encoder";
  AVStream* stream = avformat_new_stream(out.format, nullptr);
  out.encoder = avcodec_alloc_context3(codec);
  out.frame = av_frame_alloc();
  out.packet = av_packet_alloc();
  if (!stream || !out.encoder || !out.frame || !out.packet) return "out of memory";

  out.encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
  out.encoder->sample_rate = pcm.rate;
  av_channel_layout_default(&out.encoder->ch_layout, pcm.channels);
  out.encoder->bit_rate = 128000;
  out.encoder->time_base = AVRational{1, pcm.rate};
  if (out.format->oformat->flags & AVFMT_GLOBALHEADER)
    out.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if ((result = avcodec_open2(out.encoder, codec, nullptr)) < 0) return AvError("wmav2", result);
  if ((result = avcodec_parameters_from_context(stream->codecpar, out.encoder)) < 0)
    return AvError("parameters", result);
  stream->time_base = out.encoder->time_base;
  if ((result = avio_open(&out.format->pb, name.c_str(), AVIO_FLAG_WRITE)) < 0)
    return AvError("open", result);
  if ((result = avformat_write_header(out.format, nullptr)) < 0) return AvError("header", result);

  auto drain = [&]() -> std::string {
    for (;;) {
      int got = avcodec_receive_packet(out.encoder, out.packet);
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return {};
      if (got < 0) return AvError("encode", got);
      av_packet_rescale_ts(out.packet, out.encoder->time_base, stream->time_base);
      out.packet->stream_index = stream->index;
      got = av_interleaved_write_frame(out.format, out.packet);
      if (got < 0) return AvError("write", got);
    }
  };

  const int frameSize = out.encoder->frame_size;
  out.frame->format = AV_SAMPLE_FMT_FLTP;
  out.frame->sample_rate = pcm.rate;
  out.frame->nb_samples = frameSize;
  av_channel_layout_copy(&out.frame->ch_layout, &out.encoder->ch_layout);
  if ((result = av_frame_get_buffer(out.frame, 0)) < 0) return AvError("frame", result);

  const std::size_t frames = pcm.Frames();
  for (std::size_t start = 0; start < frames; start += static_cast<std::size_t>(frameSize)) {
    if ((result = av_frame_make_writable(out.frame)) < 0) return AvError("frame", result);
    for (int c = 0; c < pcm.channels; ++c) {
      auto* plane = reinterpret_cast<float*>(out.frame->data[c]);
      for (int i = 0; i < frameSize; ++i) {
        const std::size_t k = start + static_cast<std::size_t>(i);
        const int16_t sample = k < frames ? pcm.samples[k * pcm.channels + c] : int16_t{0};
        plane[i] = static_cast<float>(sample) / 32768.0f;
      }
    }
    out.frame->pts = static_cast<int64_t>(start);
    if ((result = avcodec_send_frame(out.encoder, out.frame)) < 0) return AvError("encode", result);
    if (std::string error = drain(); !error.empty()) return error;
  }
  avcodec_send_frame(out.encoder, nullptr);
  if (std::string error = drain(); !error.empty()) return error;
  if ((result = av_write_trailer(out.format)) < 0) return AvError("trailer", result);
  return {};
}

std::vector<int16_t> ReadRawSamples(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const auto bytes = static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0));
  std::vector<int16_t> samples(bytes / 2);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(samples.data()),
          static_cast<std::streamsize>(samples.size() * 2));
  return samples;
}

bool WaitUntil(const std::function<bool()>& done) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace sound_test
