// A video of a display's colours at a constant frame rate, through FFmpeg's
// libraries: H.264 in MP4 (yuv420p, its index at the front, so that it plays
// while it loads) or VP9 in WebM.
#ifndef VELMORA_LINUX_VIDEO_WRITER_H
#define VELMORA_LINUX_VIDEO_WRITER_H

#include <cstdint>
#include <string>

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;
struct AVFrame;
struct AVPacket;

enum class VideoFormat { Mp4, WebM };
enum class VideoQuality { Low, Medium, High };

struct VideoRecording {
    AVFormatContext* Format = nullptr;
    AVCodecContext* Codec = nullptr;
    AVStream* Stream = nullptr;
    AVFrame* Frame = nullptr;  // the picture in the encoder's form
    AVPacket* Packet = nullptr;
    int Width = 0, Height = 0;
    int64_t Frames = 0;
    bool HeaderWritten = false;
    std::string Problem;  // the first failure; nothing more is written after it
};

// Opens path (written as the format says, whatever its name). False: why in
// recording.problem, with everything released.
bool BeginVideo(VideoRecording& recording, const std::string& path, VideoFormat format, int width, int height,
                int frames_per_second, VideoQuality quality);

// The next frame: width x height COLORREF values (0x00BBGGRR), row by row. When it
// is the same picture as the frame before, changed may say so and the
// conversion is skipped.
bool PutVideoFrame(VideoRecording& recording, const uint32_t* picture, bool changed);

// The picture (COLORREF values) in the frame's yuv420p planes: BT.601 studio
// range, each chroma sample the mean of its 2x2 pixels (an odd last column or
// row counts twice in its block).
void PictureToYuv420(const uint32_t* picture, int width, int height, AVFrame* frame);

// Writes what the encoder still holds and the index, and closes the file.
// With complete false (a failed recording) only closes it. Releases everything.
bool EndVideo(VideoRecording& recording, bool complete);

#endif
