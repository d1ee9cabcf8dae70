// Recording to video: the files read back with FFmpeg's demuxers and decoders
// (not ours): codec, size, frame rate, frame count and length, and each
// decoded frame close to the display at its instant.
#include "recording_fixture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "linux/video_writer.h"

#include <cmath>
#include <sys/stat.h>
#include <fstream>
#include <iterator>

// x264 keeps what it allocated for an encoder it refuses to open (the odd
// width below): its leak, not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libx264.so\n"; }

namespace {

struct DecodedVideo {
    std::string Codec;
    int Width = 0, Height = 0;
    AVPixelFormat Pixels = AV_PIX_FMT_NONE;
    AVRational FrameRate = {0, 1};
    double Seconds = 0;  // the container's length
    std::vector<std::vector<uint32_t>> Frames;  // 0x00RRGGBB, in order
};

DecodedVideo DecodeVideo(const std::string& path) {
    DecodedVideo v;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return v;
    avformat_find_stream_info(format, nullptr);
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index >= 0) {
        const AVStream* stream = format->streams[index];
        const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
        AVCodecContext* codec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(codec, stream->codecpar);
        v.Codec = avcodec_get_name(stream->codecpar->codec_id);
        v.Width = stream->codecpar->width;
        v.Height = stream->codecpar->height;
        v.Pixels = (AVPixelFormat)stream->codecpar->format;
        v.FrameRate = stream->avg_frame_rate;
        v.Seconds = format->duration / (double)AV_TIME_BASE;
        if (decoder && avcodec_open2(codec, decoder, nullptr) >= 0) {
            AVPacket* packet = av_packet_alloc();
            AVFrame* frame = av_frame_alloc();
            SwsContext* to_rgb = nullptr;
            auto take = [&] {
                while (avcodec_receive_frame(codec, frame) >= 0) {
                    to_rgb = sws_getCachedContext(to_rgb, frame->width, frame->height, (AVPixelFormat)frame->format,
                                                  frame->width, frame->height, AV_PIX_FMT_BGR0,
                                                  SWS_BICUBIC | SWS_FULL_CHR_H_INT | SWS_ACCURATE_RND, nullptr,
                                                  nullptr, nullptr);
                    std::vector<uint32_t> rgb((size_t)frame->width * frame->height);
                    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(rgb.data())};
                    const int stride[1] = {frame->width * 4};
                    sws_scale(to_rgb, frame->data, frame->linesize, 0, frame->height, out, stride);
                    v.Frames.push_back(std::move(rgb));
                }
            };
            while (av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == index && avcodec_send_packet(codec, packet) >= 0) take();
                av_packet_unref(packet);
            }
            avcodec_send_packet(codec, nullptr);
            take();
            sws_freeContext(to_rgb);
            av_frame_free(&frame);
            av_packet_free(&packet);
        }
        avcodec_free_context(&codec);
    }
    avformat_close_input(&format);
    return v;
}

// Peak signal to noise ratio of b against a over the three channels, in dB.
double Psnr(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    double squares = 0;
    for (size_t i = 0; i < a.size(); i++)
        for (int shift : {0, 8, 16}) {
            const double d = (double)(a[i] >> shift & 255) - (double)(b[i] >> shift & 255);
            squares += d * d;
        }
    const double mean = squares / (3.0 * (double)a.size());
    return mean == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean);
}

class VideoRecording : public Recording {
protected:
    // Records, decodes, and holds every frame to the display at its instant.
    DecodedVideo RecordAndCheck(RecordFormat format, const std::string& settings, uint32_t seconds, int width,
                                int height, int frames_per_second, const std::string& name) {
        const std::string out = Folder.File(name);
        const auto snapshots =
            Record(np::DisplayKind::TrueColor, settings, seconds, width, height, out, format, frames_per_second);
        DecodedVideo v = DecodeVideo(out);
        EXPECT_EQ(v.Width, width);
        EXPECT_EQ(v.Height, height);
        EXPECT_EQ(v.Pixels, AV_PIX_FMT_YUV420P);
        EXPECT_EQ(v.FrameRate.num * 1, frames_per_second * v.FrameRate.den) << v.FrameRate.num << "/" << v.FrameRate.den;
        EXPECT_EQ(v.Frames.size(), (size_t)(seconds * frames_per_second));
        EXPECT_NEAR(v.Seconds, seconds, 1.0 / frames_per_second + 1e-6);
        double worst = 99;
        for (size_t k = 0; k < v.Frames.size(); k++) {
            const std::vector<uint32_t>* display = DisplayAt(snapshots, (uint32_t)(k * 1000 / frames_per_second));
            if (!display || display->size() != v.Frames[k].size()) {
                ADD_FAILURE() << "frame " << k << " has no display to compare with";
                break;
            }
            worst = std::min(worst, Psnr(*display, v.Frames[k]));
            EXPECT_GE(Psnr(*display, v.Frames[k]), 30.0) << "frame " << k;
        }
        EXPECT_GE(worst, 30.0);
        return v;
    }
};

TEST_F(VideoRecording, Mp4IsH264AtAConstantRateWithItsIndexFirst) {
    const DecodedVideo v = RecordAndCheck(RecordFormat::Mp4, "TimeOnScreen=1\nSpecialEffects=2\nPsycheDelay=10\n", 2,
                                          640, 360, 60, "clouds.mp4");
    EXPECT_EQ(v.Codec, "h264");
    // The index (moov) before the pictures (mdat): a player starts while it loads.
    std::ifstream file(Folder.File("clouds.mp4"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_NE(bytes.find("moov"), std::string::npos);
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
}

TEST_F(VideoRecording, WebMIsVp9AndMovingCloudsAtAnotherRate) {
    const DecodedVideo v = RecordAndCheck(RecordFormat::WebM,
                                          "TimeOnScreen=1\nSpecialEffects=1\nMovingSpeed=4\nEffectCycle=1\n", 2, 640, 360,
                                          25, "clouds.webm");
    EXPECT_EQ(v.Codec, "vp9");
}

TEST_F(VideoRecording, AnOddSizeInWebMAndAFailedFileLeavesNothing) {
    RecordAndCheck(RecordFormat::WebM, "TimeOnScreen=0\nSpecialEffects=0\n", 1, 161, 91, 10, "odd.webm");
    StartFreshProcess(np::DisplayKind::TrueColor, 64, 48);
    RecordOptions options;
    options.Path = Folder.File("missing/out.mp4");
    options.Format = RecordFormat::Mp4;
    options.Width = 64;
    options.Height = 48;
    options.Seconds = 1;
    std::string problem;
    EXPECT_FALSE(RecordSaver(options, nullptr, problem));
    EXPECT_EQ(problem, "No such file or directory");

    // An encoder that refuses to start after the file is made (x264 and an odd
    // width, which the command line never lets through) leaves no file of its
    // own, and the output of that name as it was.
    const std::string kept = Folder.File("kept.mp4");
    WriteFile(kept, "mine");
    options.Path = kept;
    options.Width = 63;
    EXPECT_FALSE(RecordSaver(options, nullptr, problem));
    EXPECT_EQ(problem.rfind("starting the encoder: ", 0), 0u) << problem;
    EXPECT_EQ(ReadFile(kept), "mine");
    EXPECT_EQ(ListFolder(Folder.path()), (std::vector<std::string>{"control.ini", "kept.mp4", "odd.webm"}));
}

}  // namespace

namespace {

// BT.601 studio range, written out in floating point: what any decoder undoes.
void ChromaOf(uint32_t colorref, double& u, double& v) {
    const double r = colorref & 255, g = colorref >> 8 & 255, b = colorref >> 16 & 255;
    u = 128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 256;
    v = 128 + (112.0 * r - 93.786 * g - 18.214 * b) / 256;
}

// Every chroma sample of a picture of one colour is that colour's, also the
// last column and row of an odd size, whose blocks hold fewer pixels.
TEST(VideoColours, EveryChromaSampleOfAnOddSizeIsTheColoursOwn) {
    for (const uint32_t colour : {0x0000FFu, 0xFF0000u, 0x20C040u, 0xFFFFFFu}) {
        const int width = 7, height = 5;
        const std::vector<uint32_t> picture((size_t)width * height, colour);
        AVFrame* frame = av_frame_alloc();
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = width;
        frame->height = height;
        ASSERT_GE(av_frame_get_buffer(frame, 0), 0);
        PictureToYuv420(picture.data(), width, height, frame);
        double u = 0, v = 0;
        ChromaOf(colour, u, v);
        for (int y = 0; y < (height + 1) / 2; y++)
            for (int x = 0; x < (width + 1) / 2; x++) {
                EXPECT_NEAR(frame->data[1][y * frame->linesize[1] + x], u, 1.0) << colour << " at " << x << "," << y;
                EXPECT_NEAR(frame->data[2][y * frame->linesize[2] + x], v, 1.0) << colour << " at " << x << "," << y;
            }
        av_frame_free(&frame);
    }
}

// The three qualities are three different files, larger as they are better,
// for both codecs: the same second of flowing colours each time.
TEST_F(VideoRecording, EachQualityIsLargerThanTheOneBelow) {
    for (const RecordFormat format : {RecordFormat::Mp4, RecordFormat::WebM}) {
        std::vector<off_t> sizes;
        for (const VideoQuality quality : {VideoQuality::Low, VideoQuality::Medium, VideoQuality::High}) {
            StartFreshProcess(np::DisplayKind::TrueColor, 160, 96);
            WriteFile(Folder.File("control.ini"), "[ScreenSaver.Velmora]\nTimeOnScreen=0\nSpecialEffects=2\n");
            RecordOptions options;
            options.Path = Folder.File(format == RecordFormat::Mp4 ? "q.mp4" : "q.webm");
            options.Format = format;
            options.Quality = quality;
            options.FramesPerSecond = 30;
            options.Width = 160;
            options.Height = 96;
            options.Seconds = 1;
            options.CalendarMs = 1700000000000ull;
            std::string problem;
            ASSERT_TRUE(RecordSaver(options, nullptr, problem)) << problem;
            struct stat info;
            ASSERT_EQ(stat(options.Path.c_str(), &info), 0);
            sizes.push_back(info.st_size);
        }
        EXPECT_LT(sizes[0], sizes[1]) << (format == RecordFormat::Mp4 ? "MP4" : "WebM");
        EXPECT_LT(sizes[1], sizes[2]) << (format == RecordFormat::Mp4 ? "MP4" : "WebM");
    }
}

}  // namespace
