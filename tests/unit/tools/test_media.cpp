#include "test_media.h"

#include <turbojpeg.h>
#include <zip.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace tools_test {

std::string DataPath(const std::string& relative) {
  return std::string(TESSARY_DATA_DIR) + "/" + relative;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::string> ZipEntryNames(const std::string& path) {
  std::vector<std::string> names;
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!archive) return names;
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < count; ++i)
    names.emplace_back(zip_get_name(archive, static_cast<zip_uint64_t>(i), 0));
  zip_close(archive);
  return names;
}

std::vector<uint8_t> ZipEntry(const std::string& path, const std::string& name) {
  std::vector<uint8_t> bytes;
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!archive) return bytes;
  zip_stat_t stat;
  if (zip_stat(archive, name.c_str(), 0, &stat) == 0) {
    zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
    if (file) {
      bytes.resize(stat.size);
      if (zip_fread(file, bytes.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) bytes.clear();
      zip_fclose(file);
    }
  }
  zip_close(archive);
  return bytes;
}

double Rgb::MeanLuma(int x0, int y0, int x1, int y1) const {
  double sum = 0;
  long count = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
      sum += 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
      ++count;
    }
  }
  return count ? sum / static_cast<double>(count) : 0.0;
}

Rgb DecodeJpeg(const std::vector<uint8_t>& jpeg) {
  Rgb image;
  tjhandle handle = tjInitDecompress();
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  if (handle && !jpeg.empty() &&
      tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &width, &height, &subsampling,
                          &colourspace) == 0 &&
      width > 0 && height > 0) {
    image.pixels.resize(static_cast<size_t>(width) * height * 3);
    if (tjDecompress2(handle, jpeg.data(), jpeg.size(), image.pixels.data(), width, 0, height,
                      TJPF_RGB, 0) == 0) {
      image.width = width;
      image.height = height;
    } else {
      image.pixels.clear();
    }
  }
  if (handle) tjDestroy(handle);
  return image;
}

double Audio::Seconds() const {
  return sampleRate ? static_cast<double>(interleaved.size() / 2) / sampleRate : 0.0;
}

double Audio::Peak() const {
  double peak = 0;
  for (float v : interleaved) peak = std::max(peak, static_cast<double>(std::abs(v)));
  return peak;
}

double Audio::Rms() const {
  double sum = 0;
  for (float v : interleaved) sum += static_cast<double>(v) * v;
  return interleaved.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(interleaved.size()));
}

double Audio::LoudestWindowRms(double seconds) const {
  const size_t window = std::min(interleaved.size(), 2 * static_cast<size_t>(seconds * sampleRate));
  if (window == 0) return 0;
  double sum = 0, best = 0;
  for (size_t i = 0; i < interleaved.size(); ++i) {
    sum += static_cast<double>(interleaved[i]) * interleaved[i];
    if (i >= window) sum -= static_cast<double>(interleaved[i - window]) * interleaved[i - window];
    best = std::max(best, sum);
  }
  return std::sqrt(best / static_cast<double>(window));
}

namespace {

uint32_t Little(const std::vector<uint8_t>& bytes, size_t at, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[at + static_cast<size_t>(i)];
  return value;
}

}  // namespace

bool ParseWav(const std::vector<uint8_t>& bytes, Audio& audio, std::string& error) {
  auto tag = [&](size_t at) { return std::string(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at) + 4); };
  if (bytes.size() < 12 || tag(0) != "RIFF" || tag(8) != "WAVE") {
    error = "not a RIFF WAVE file";
    return false;
  }
  if (Little(bytes, 4, 4) + 8 != bytes.size()) {
    error = "RIFF size does not match the file size";
    return false;
  }
  bool haveFormat = false;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::string id = tag(at);
    const size_t size = Little(bytes, at + 4, 4);
    const size_t body = at + 8;
    if (body + size > bytes.size()) {
      error = "chunk " + id + " runs past the end";
      return false;
    }
    if (id == "fmt ") {
      if (size < 16 || Little(bytes, body, 2) != 1) {
        error = "not PCM";
        return false;
      }
      audio.channels = static_cast<int>(Little(bytes, body + 2, 2));
      audio.sampleRate = static_cast<int>(Little(bytes, body + 4, 4));
      audio.bitsPerSample = static_cast<int>(Little(bytes, body + 14, 2));
      const uint32_t blockAlign = Little(bytes, body + 12, 2);
      const uint32_t byteRate = Little(bytes, body + 8, 4);
      if (audio.bitsPerSample != 16 || audio.channels < 1 || audio.channels > 2 ||
          blockAlign != static_cast<uint32_t>(audio.channels * 2) ||
          byteRate != blockAlign * static_cast<uint32_t>(audio.sampleRate)) {
        error = "inconsistent format chunk";
        return false;
      }
      haveFormat = true;
    } else if (id == "data") {
      if (!haveFormat || size % static_cast<size_t>(audio.channels * 2) != 0) {
        error = "data before format, or a partial frame";
        return false;
      }
      audio.codec = "pcm";
      audio.interleaved.clear();
      for (size_t i = 0; i < size; i += static_cast<size_t>(audio.channels * 2)) {
        for (int c = 0; c < 2; ++c) {
          const size_t sample = body + i + static_cast<size_t>(std::min(c, audio.channels - 1) * 2);
          const auto value = static_cast<int16_t>(Little(bytes, sample, 2));
          audio.interleaved.push_back(static_cast<float>(value) / 32768.0f);
        }
      }
      return true;
    }
    at = body + size + (size & 1);
  }
  error = "no data chunk";
  return false;
}

bool DecodeWithFfmpeg(const std::string& path, Audio& audio) {
  av_log_set_level(AV_LOG_QUIET);
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
  bool ok = false;
  AVCodecContext* codec = nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  const AVCodec* decoder = nullptr;
  int stream = -1;
  if (avformat_find_stream_info(format, nullptr) >= 0 &&
      (stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0)) >= 0 &&
      (codec = avcodec_alloc_context3(decoder)) != nullptr &&
      avcodec_parameters_to_context(codec, format->streams[stream]->codecpar) >= 0 &&
      avcodec_open2(codec, decoder, nullptr) >= 0) {
    audio.sampleRate = codec->sample_rate;
    audio.channels = codec->ch_layout.nb_channels;
    audio.codec = decoder->name;
    ok = true;
    auto drain = [&] {
      while (avcodec_receive_frame(codec, frame) >= 0) {
        const auto sampleFormat = static_cast<AVSampleFormat>(frame->format);
        if (sampleFormat != AV_SAMPLE_FMT_FLTP && sampleFormat != AV_SAMPLE_FMT_FLT) ok = false;
        const bool planar = sampleFormat == AV_SAMPLE_FMT_FLTP;
        const int channels = frame->ch_layout.nb_channels;
        for (int i = 0; ok && i < frame->nb_samples; ++i) {
          for (int c = 0; c < 2; ++c) {
            const int channel = std::min(c, channels - 1);
            const auto* data = reinterpret_cast<const float*>(frame->extended_data[planar ? channel : 0]);
            audio.interleaved.push_back(data[planar ? i : i * channels + channel]);
          }
        }
      }
    };
    while (ok && av_read_frame(format, packet) >= 0) {
      if (packet->stream_index == stream && avcodec_send_packet(codec, packet) < 0) ok = false;
      av_packet_unref(packet);
      drain();
    }
    avcodec_send_packet(codec, nullptr);
    drain();
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&codec);
  avformat_close_input(&format);
  return ok;
}

}  // namespace tools_test
