#include "sound/pcm_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

namespace sound {
namespace {

struct FormatCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecFreer {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ResamplerFreer {
  void operator()(SwrContext* resampler) const { swr_free(&resampler); }
};

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

AVSampleFormat ToAvSampleFormat(SDL_AudioFormat format) {
  switch (format) {
    case AUDIO_U8: return AV_SAMPLE_FMT_U8;
    case AUDIO_S16SYS: return AV_SAMPLE_FMT_S16;
    case AUDIO_S32SYS: return AV_SAMPLE_FMT_S32;
    case AUDIO_F32SYS: return AV_SAMPLE_FMT_FLT;
    default: return AV_SAMPLE_FMT_NONE;
  }
}

// Converts decoded frames into the output layout, appending to the PCM buffer. Built from the
// first frame, because some decoders only tell their layout there; rebuilt if a stream changes
// its layout midway.
class Converter {
 public:
  Converter(const PcmFormat& format, std::vector<uint8_t>& pcm, int maxSeconds)
      : format_(format), pcm_(pcm), maxSeconds_(maxSeconds) {
    av_channel_layout_default(&outLayout_, format.channels);
    maxBytes_ = std::size_t{static_cast<std::size_t>(maxSeconds)} *
                static_cast<std::size_t>(format.sampleRate) * format.BytesPerFrame();
  }
  ~Converter() {
    av_channel_layout_uninit(&inLayout_);
    av_channel_layout_uninit(&outLayout_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Convert(const AVFrame& frame, std::string& error) {
    if (!MatchesInput(frame) && !Rebuild(frame, error)) return false;
    expectedFrames_ += double(frame.nb_samples) * format_.sampleRate / inRate_;
    return Append(const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples, error);
  }

  // Drains the samples the resampler still holds.
  bool Flush(std::string& error) {
    if (!resampler_) return true;
    return Append(nullptr, 0, error);
  }

  // Cuts the few frames of filter tail that a flush adds past the sound's own length, so that a
  // looped sound repeats without a hiccup.
  void TrimToLength() {
    const std::size_t frameBytes = static_cast<std::size_t>(format_.BytesPerFrame());
    const auto frames = static_cast<std::size_t>(std::llround(expectedFrames_));
    if (pcm_.size() > frames * frameBytes) pcm_.resize(frames * frameBytes);
  }

 private:
  bool MatchesInput(const AVFrame& frame) const {
    return resampler_ && frame.format == inFormat_ && frame.sample_rate == inRate_ &&
           av_channel_layout_compare(&frame.ch_layout, &inLayout_) == 0;
  }

  bool Rebuild(const AVFrame& frame, std::string& error) {
    if (resampler_ && !Flush(error)) return false;
    resampler_.reset();
    av_channel_layout_uninit(&inLayout_);
    if (frame.ch_layout.nb_channels <= 0 || frame.sample_rate <= 0) {
      error = "decoded audio has no channels or no sample rate";
      return false;
    }
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
      av_channel_layout_default(&inLayout_, frame.ch_layout.nb_channels);
    else if (av_channel_layout_copy(&inLayout_, &frame.ch_layout) < 0) {
      error = "cannot copy the channel layout";
      return false;
    }
    inFormat_ = frame.format;
    inRate_ = frame.sample_rate;

    SwrContext* raw = nullptr;
    int result = swr_alloc_set_opts2(&raw, &outLayout_, ToAvSampleFormat(format_.sampleFormat),
                                     format_.sampleRate, &inLayout_,
                                     static_cast<AVSampleFormat>(inFormat_), inRate_, 0, nullptr);
    resampler_.reset(raw);
    if (result < 0) {
      error = "cannot set up the resampler: " + AvErrorText(result);
      return false;
    }
    // A mono sound goes to every output channel at full level (the default mix lowers it 3 dB).
    if (inLayout_.nb_channels == 1) {
      std::vector<double> matrix(static_cast<std::size_t>(format_.channels), 1.0);
      swr_set_matrix(resampler_.get(), matrix.data(), 1);
    }
    result = swr_init(resampler_.get());
    if (result < 0) {
      error = "cannot start the resampler: " + AvErrorText(result);
      return false;
    }
    return true;
  }

  bool Append(const uint8_t** input, int inputSamples, std::string& error) {
    const std::size_t frameBytes = static_cast<std::size_t>(format_.BytesPerFrame());
    for (;;) {
      const int room = swr_get_out_samples(resampler_.get(), inputSamples);
      if (room < 0) {
        error = "resampling failed: " + AvErrorText(room);
        return false;
      }
      if (room == 0) return true;
      const std::size_t used = pcm_.size();
      if (used + static_cast<std::size_t>(room) * frameBytes > maxBytes_) {
        error = "longer than " + std::to_string(maxSeconds_) + " s";
        return false;
      }
      pcm_.resize(used + static_cast<std::size_t>(room) * frameBytes);
      uint8_t* out = pcm_.data() + used;
      const int made = swr_convert(resampler_.get(), &out, room, input, inputSamples);
      if (made < 0) {
        pcm_.resize(used);
        error = "resampling failed: " + AvErrorText(made);
        return false;
      }
      pcm_.resize(used + static_cast<std::size_t>(made) * frameBytes);
      // With input, one call takes all of it; a flush repeats until nothing is left.
      if (input != nullptr || made == 0) return true;
    }
  }

  const PcmFormat format_;
  std::vector<uint8_t>& pcm_;
  std::size_t maxBytes_ = 0;
  int maxSeconds_ = kMaxDecodedSeconds;
  double expectedFrames_ = 0;  // the input's length in output frames
  AVChannelLayout outLayout_{};
  AVChannelLayout inLayout_{};
  int inFormat_ = AV_SAMPLE_FMT_NONE;
  int inRate_ = 0;
  std::unique_ptr<SwrContext, ResamplerFreer> resampler_;
};

// Sends one packet (null: end of stream) and converts every frame it yields. A packet the
// decoder rejects as damaged is skipped, so one bad frame does not lose the whole sound.
bool DecodePacket(AVCodecContext& decoder, const AVPacket* packet, AVFrame& frame,
                  Converter& converter, std::string& error) {
  int result = avcodec_send_packet(&decoder, packet);
  if (result < 0 && result != AVERROR_INVALIDDATA && result != AVERROR_EOF) {
    error = "decoding failed: " + AvErrorText(result);
    return false;
  }
  for (;;) {
    result = avcodec_receive_frame(&decoder, &frame);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
    if (result == AVERROR_INVALIDDATA) continue;
    if (result < 0) {
      error = "decoding failed: " + AvErrorText(result);
      return false;
    }
    const bool converted = converter.Convert(frame, error);
    av_frame_unref(&frame);
    if (!converted) return false;
  }
}

// Decodes the best audio stream of an opened input into pcm, at most maxSeconds long.
bool DecodeInput(AVFormatContext* rawInput, const PcmFormat& format, std::vector<uint8_t>& pcm,
                 std::string& error, int maxSeconds) {
  std::unique_ptr<AVFormatContext, FormatCloser> input(rawInput);
  int result = avformat_find_stream_info(input.get(), nullptr);
  if (result < 0) {
    error = "unreadable media file: " + AvErrorText(result);
    return false;
  }
  const AVCodec* codec = nullptr;
  const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (stream < 0 || codec == nullptr) {
    error = "no decodable audio stream";
    return false;
  }
  std::unique_ptr<AVCodecContext, CodecFreer> decoder(avcodec_alloc_context3(codec));
  std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
  std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
  if (!decoder || !frame || !packet) {
    error = "out of memory";
    return false;
  }
  result = avcodec_parameters_to_context(decoder.get(), input->streams[stream]->codecpar);
  if (result >= 0) result = avcodec_open2(decoder.get(), codec, nullptr);
  if (result < 0) {
    error = "cannot start the decoder: " + AvErrorText(result);
    return false;
  }

  Converter converter(format, pcm, maxSeconds);
  bool ok = true;
  while (ok && av_read_frame(input.get(), packet.get()) >= 0) {
    if (packet->stream_index == stream)
      ok = DecodePacket(*decoder, packet.get(), *frame, converter, error);
    av_packet_unref(packet.get());
  }
  ok = ok && DecodePacket(*decoder, nullptr, *frame, converter, error) && converter.Flush(error);
  if (!ok) {
    pcm.clear();
    return false;
  }
  converter.TrimToLength();
  if (pcm.empty()) {
    error = "no audio decoded";
    return false;
  }
  return true;
}

bool StartDecoding(const PcmFormat& format, std::vector<uint8_t>& pcm, std::string& error) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
  pcm.clear();
  if (CanDecodeInto(format)) return true;
  error = "unsupported output sample format";
  return false;
}

// Bytes in memory read through FFmpeg's own buffer.
struct MemoryReader {
  std::span<const uint8_t> bytes;
  std::size_t position = 0;

  static int Read(void* opaque, uint8_t* buffer, int size) {
    auto& reader = *static_cast<MemoryReader*>(opaque);
    const std::size_t left = reader.bytes.size() - reader.position;
    const std::size_t count = std::min(left, static_cast<std::size_t>(std::max(size, 0)));
    if (count == 0) return AVERROR_EOF;
    std::copy_n(reader.bytes.data() + reader.position, count, buffer);
    reader.position += count;
    return static_cast<int>(count);
  }
  static int64_t Seek(void* opaque, int64_t offset, int whence) {
    auto& reader = *static_cast<MemoryReader*>(opaque);
    const auto size = static_cast<int64_t>(reader.bytes.size());
    if ((whence & AVSEEK_SIZE) != 0) return size;
    int64_t target = offset;
    if ((whence & 3) == SEEK_CUR) target += static_cast<int64_t>(reader.position);
    if ((whence & 3) == SEEK_END) target += size;
    if (target < 0 || target > size) return -1;
    reader.position = static_cast<std::size_t>(target);
    return target;
  }
};

struct IoFreer {
  void operator()(AVIOContext* io) const {
    av_freep(&io->buffer);
    avio_context_free(&io);
  }
};

}  // namespace

bool CanDecodeInto(const PcmFormat& format) {
  return format.sampleRate > 0 && format.channels > 0 &&
         ToAvSampleFormat(format.sampleFormat) != AV_SAMPLE_FMT_NONE;
}

bool DecodeAudioFile(const std::string& path, const PcmFormat& format, std::vector<uint8_t>& pcm,
                     std::string& error) {
  if (!StartDecoding(format, pcm, error)) return false;
  AVFormatContext* rawInput = nullptr;
  const int result = avformat_open_input(&rawInput, path.c_str(), nullptr, nullptr);
  if (result < 0) {
    error = AvErrorText(result);
    return false;
  }
  return DecodeInput(rawInput, format, pcm, error, kMaxDecodedSeconds);
}

bool DecodeAudioBytes(std::span<const uint8_t> bytes, const PcmFormat& format,
                      std::vector<uint8_t>& pcm, std::string& error, int maxSeconds) {
  if (!StartDecoding(format, pcm, error)) return false;
  if (bytes.size() > kMaxCardSoundBytes) {
    error = "larger than " + std::to_string(kMaxCardSoundBytes) + " bytes";
    return false;
  }
  constexpr int kBufferBytes = 4096;
  MemoryReader reader{bytes};
  auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferBytes));
  AVIOContext* rawIo = buffer == nullptr ? nullptr
                                         : avio_alloc_context(buffer, kBufferBytes, 0, &reader,
                                                              MemoryReader::Read, nullptr,
                                                              MemoryReader::Seek);
  if (rawIo == nullptr) {
    av_free(buffer);
    error = "out of memory";
    return false;
  }
  std::unique_ptr<AVIOContext, IoFreer> io(rawIo);
  AVFormatContext* rawInput = avformat_alloc_context();
  if (rawInput == nullptr) {
    error = "out of memory";
    return false;
  }
  // Our own reader: the bytes alone, never a file or the network.
  rawInput->pb = io.get();
  rawInput->flags |= AVFMT_FLAG_CUSTOM_IO;
  const int result = avformat_open_input(&rawInput, nullptr, nullptr, nullptr);
  if (result < 0) {  // FFmpeg has freed the context
    error = AvErrorText(result);
    return false;
  }
  return DecodeInput(rawInput, format, pcm, error, maxSeconds);
}

}  // namespace sound
