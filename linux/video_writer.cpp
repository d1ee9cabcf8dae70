#include "video_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

// What the encoders say goes to no terminal: the last thing said at error
// level is kept, and a failure is told in our words. FFmpeg's log is one for
// the whole process.
char LastErrorSaid[256];

void KeepErrorLines(void* context, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_ERROR) return;
    char line[sizeof LastErrorSaid];
    vsnprintf(line, sizeof line, format, arguments);
    if (line[0] && strcmp(line, "\n") != 0) memcpy(LastErrorSaid, line, sizeof line);
}

// An encoder out of memory says so in its own words: libvpx fails to
// "allocate", and FFmpeg then reports only that the input was refused.
bool OutOfMemory(int error) {
    if (error == AVERROR(ENOMEM)) return true;
    for (const char* p = LastErrorSaid; *p; p++)
        if (strncasecmp(p, "alloc", 5) == 0) return true;
    return false;
}

bool Fail(VideoRecording& r, const std::string& what, int error = 0) {
    if (!r.Problem.empty()) return false;
    if (error < 0 && OutOfMemory(error)) {
        r.Problem = what + ": out of memory for a video of " + std::to_string(r.Width) + "x" + std::to_string(r.Height);
        return false;
    }
    r.Problem = what;
    if (error < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = "";
        av_strerror(error, text, sizeof text);
        r.Problem += std::string(": ") + text;
    }
    return false;
}

// Each quality as the encoder's constant-quality factor: lower is better.
int QualityFactor(VideoFormat format, VideoQuality quality) {
    const bool h264 = format == VideoFormat::Mp4;
    switch (quality) {
        case VideoQuality::Low:
            return h264 ? 26 : 36;
        case VideoQuality::High:
            return h264 ? 16 : 20;
        default:
            return h264 ? 21 : 28;
    }
}

// Takes every packet the encoder has ready into the file.
bool Drain(VideoRecording& r) {
    for (;;) {
        const int got = avcodec_receive_packet(r.Codec, r.Packet);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return true;
        if (got < 0) return Fail(r, "encoding", got);
        av_packet_rescale_ts(r.Packet, r.Codec->time_base, r.Stream->time_base);
        r.Packet->stream_index = r.Stream->index;
        const int written = av_interleaved_write_frame(r.Format, r.Packet);  // takes the packet
        if (written < 0) return Fail(r, "writing", written);
    }
}

void Release(VideoRecording& r) {
    if (r.Format && !(r.Format->oformat->flags & AVFMT_NOFILE) && r.Format->pb) avio_closep(&r.Format->pb);
    avformat_free_context(r.Format);
    avcodec_free_context(&r.Codec);
    av_frame_free(&r.Frame);
    av_packet_free(&r.Packet);
    r.Format = nullptr;
}

}  // namespace

// Written out rather than through libswscale, whose path from 32-bit RGB
// costs twice the encoder's time here.
void PictureToYuv420(const uint32_t* picture, int width, int height, AVFrame* frame) {
    for (int y = 0; y < height; y++) {
        const uint32_t* row = picture + (size_t)y * width;
        uint8_t* luma = frame->data[0] + (ptrdiff_t)y * frame->linesize[0];
        for (int x = 0; x < width; x++) {
            const uint32_t c = row[x];
            luma[x] = (uint8_t)((66 * (c & 255) + 129 * (c >> 8 & 255) + 25 * (c >> 16 & 255) + 4224) >> 8);
        }
    }
    const int pairs = width / 2;  // whole 2x2 blocks in a row; an odd last column is a block of its own
    for (int y = 0; y < height; y += 2) {
        const uint32_t* top = picture + (size_t)y * width;
        const uint32_t* bottom = y + 1 < height ? top + width : top;
        uint8_t* u = frame->data[1] + (ptrdiff_t)(y / 2) * frame->linesize[1];
        uint8_t* v = frame->data[2] + (ptrdiff_t)(y / 2) * frame->linesize[2];
        for (int k = 0; k < pairs; k++) {
            const uint32_t a = top[2 * k], b = top[2 * k + 1], c = bottom[2 * k], d = bottom[2 * k + 1];
            const int r = (int)((a & 255) + (b & 255) + (c & 255) + (d & 255));
            const int g = (int)((a >> 8 & 255) + (b >> 8 & 255) + (c >> 8 & 255) + (d >> 8 & 255));
            const int bl = (int)((a >> 16 & 255) + (b >> 16 & 255) + (c >> 16 & 255) + (d >> 16 & 255));
            // Sums of four: the shift takes the mean too.
            u[k] = (uint8_t)((-38 * r - 74 * g + 112 * bl + 131584) >> 10);  // 128 << 10, and a half
            v[k] = (uint8_t)((112 * r - 94 * g - 18 * bl + 131584) >> 10);
        }
        if (width % 2) {
            const uint32_t a = top[width - 1], c = bottom[width - 1];
            const int r = 2 * (int)((a & 255) + (c & 255)), g = 2 * (int)((a >> 8 & 255) + (c >> 8 & 255)),
                      bl = 2 * (int)((a >> 16 & 255) + (c >> 16 & 255));
            u[pairs] = (uint8_t)((-38 * r - 74 * g + 112 * bl + 131584) >> 10);
            v[pairs] = (uint8_t)((112 * r - 94 * g - 18 * bl + 131584) >> 10);
        }
    }
}

bool BeginVideo(VideoRecording& r, const std::string& path, VideoFormat format, int width, int height,
                int frames_per_second, VideoQuality quality) {
    av_log_set_callback(KeepErrorLines);  // the encoders' chatter is not the user's business; failures are said here
    LastErrorSaid[0] = '\0';
    r = VideoRecording{};
    r.Width = width;
    r.Height = height;
    const bool mp4 = format == VideoFormat::Mp4;
    const AVOutputFormat* container = av_guess_format(mp4 ? "mp4" : "webm", nullptr, nullptr);
    const AVCodec* encoder = avcodec_find_encoder_by_name(mp4 ? "libx264" : "libvpx-vp9");
    if (!container || !encoder) return Fail(r, std::string("this FFmpeg has no ") + (mp4 ? "H.264" : "VP9") + " encoder");
    int error = avformat_alloc_output_context2(&r.Format, container, nullptr, path.c_str());
    if (error < 0) return Fail(r, "the container", error);
    r.Codec = avcodec_alloc_context3(encoder);
    r.Frame = av_frame_alloc();
    r.Packet = av_packet_alloc();
    r.Stream = avformat_new_stream(r.Format, nullptr);
    if (!r.Codec || !r.Frame || !r.Packet || !r.Stream) {
        Release(r);
        return Fail(r, "not enough memory");
    }
    r.Codec->width = width;
    r.Codec->height = height;
    r.Codec->pix_fmt = AV_PIX_FMT_YUV420P;
    // Said in the stream, so that players turn it back into the same colours.
    r.Codec->colorspace = AVCOL_SPC_SMPTE170M;
    r.Codec->color_primaries = AVCOL_PRI_SMPTE170M;
    r.Codec->color_trc = AVCOL_TRC_SMPTE170M;
    r.Codec->color_range = AVCOL_RANGE_MPEG;
    r.Codec->time_base = AVRational{1, frames_per_second};
    r.Codec->framerate = AVRational{frames_per_second, 1};
    r.Codec->gop_size = 2 * frames_per_second;  // a place to start playing every two seconds
    r.Codec->thread_count = 1;  // more threads cost more in all and make the bytes vary from run to run
    if (r.Format->oformat->flags & AVFMT_GLOBALHEADER) r.Codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int factor = QualityFactor(format, quality);
    if (mp4) {
        // The fastest preset, with arithmetic coding back: every pixel changes
        // in every frame of flowing colours, and this holds 720p at 60 frames
        // a second within one core while keeping files a third smaller.
        av_opt_set(r.Codec->priv_data, "preset", "ultrafast", 0);
        av_opt_set(r.Codec->priv_data, "x264-params", "cabac=1", 0);
        av_opt_set_int(r.Codec->priv_data, "crf", factor, 0);
    } else {
        r.Codec->bit_rate = 0;  // constant quality alone
        av_opt_set_int(r.Codec->priv_data, "crf", factor, 0);
        av_opt_set(r.Codec->priv_data, "deadline", "realtime", 0);
        av_opt_set_int(r.Codec->priv_data, "cpu-used", 8, 0);
        av_opt_set_int(r.Codec->priv_data, "row-mt", 1, 0);
    }
    error = avcodec_open2(r.Codec, encoder, nullptr);
    if (error >= 0) error = avcodec_parameters_from_context(r.Stream->codecpar, r.Codec);
    if (error < 0) {
        Release(r);
        return Fail(r, "starting the encoder", error);
    }
    r.Stream->time_base = r.Codec->time_base;
    r.Stream->avg_frame_rate = r.Codec->framerate;
    r.Frame->format = AV_PIX_FMT_YUV420P;
    r.Frame->width = width;
    r.Frame->height = height;
    error = av_frame_get_buffer(r.Frame, 0);
    if (error < 0) {
        Release(r);
        return Fail(r, "a frame buffer", error);
    }
    error = avio_open(&r.Format->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (error < 0) {
        Release(r);
        return Fail(r, "opening the file", error);
    }
    AVDictionary* options = nullptr;
    if (mp4) av_dict_set(&options, "movflags", "+faststart", 0);  // the index first: it plays while loading
    error = avformat_write_header(r.Format, &options);
    av_dict_free(&options);
    if (error < 0) {
        Release(r);
        return Fail(r, "writing the header", error);
    }
    r.HeaderWritten = true;
    return true;
}

bool PutVideoFrame(VideoRecording& r, const uint32_t* picture, bool changed) {
    if (!r.Format || !r.Problem.empty()) return false;
    // The encoder may still hold the last frame's buffer: a copy is written then.
    int error = av_frame_make_writable(r.Frame);
    if (error < 0) return Fail(r, "a frame buffer", error);
    if (changed || r.Frames == 0) PictureToYuv420(picture, r.Width, r.Height, r.Frame);
    r.Frame->pts = r.Frames++;
    error = avcodec_send_frame(r.Codec, r.Frame);
    if (error < 0) return Fail(r, "encoding", error);
    return Drain(r);
}

bool EndVideo(VideoRecording& r, bool complete) {
    bool ok = r.Problem.empty();
    if (complete && ok && r.Format) {
        const int error = avcodec_send_frame(r.Codec, nullptr);  // no more frames: the rest comes out
        ok = (error >= 0 || Fail(r, "encoding", error)) && Drain(r);
        if (ok) {
            const int written = av_write_trailer(r.Format);
            ok = written >= 0 || Fail(r, "writing the index", written);
        }
    }
    Release(r);
    return ok && complete;
}
