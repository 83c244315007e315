// BASS stand-in over libmpg123 and SDL2 audio.
// Implements: BASS_Init/Free/Start/Update/ErrorGetCode, file and memory streams of MPEG audio
//   (decoded completely at creation, so length and seeking are exact), play, pause, stop, seek,
//   the heard position, byte/second conversions, activity, and diagnostics for tests.
// Leaves out: every other BASS feature (see bass.h); one output device at a time.
//
// Every stream is decoded at creation and converted once to the output format (the mix rate,
// stereo, 16-bit), so the audio callback only copies and adds samples. Positions are kept in
// output frames and mapped to the stream's own frames, which is what byte positions count.
// The heard position is the start of the block last handed to the device plus the time since
// then, never more than that block: the samples handed out minus those still in its buffer.
#include "platform/bass.h"

#include <SDL.h>
#include <mpg123.h>
#include <samplerate.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr int kOutputChannels = 2;
constexpr QWORD kBadPosition = std::numeric_limits<QWORD>::max();

std::atomic<int> liveStreams{0};
thread_local int lastError = BASS_OK;

struct Stream {
    Stream() { ++liveStreams; }
    ~Stream() { --liveStreams; }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // The stream's own format and length, which byte positions follow.
    int rate = 0;
    int channels = 0;
    QWORD length = 0;  // frames
    // The decoded samples in the output format.
    std::vector<int16_t> pcm;
    QWORD outFrames = 0;

    // Shared with the audio callback: changed only under the device lock.
    DWORD state = BASS_ACTIVE_STOPPED;
    QWORD cursor = 0;      // next output frame to hand to the device
    QWORD handStart = 0;   // the block last handed over: [handStart, handEnd)
    QWORD handEnd = 0;
    Uint64 handTicks = 0;  // when it was handed over

    // Used by the BASS calls only.
    QWORD seekStream = 0;  // the last seek, in stream frames and in output frames, from which
    QWORD seekOut = 0;     // output positions map back to stream positions exactly
    QWORD lastHeard = 0;   // keeps the heard position monotonic while playing

    DWORD bytesPerFrame() const { return DWORD(channels) * 2; }
};

struct Output {
    SDL_AudioDeviceID device = 0;
    int rate = 0;
    DWORD bufferFrames = 0;
    Uint64 ticksPerSecond = 1;
    std::map<HSTREAM, std::unique_ptr<Stream>> streams;
    HSTREAM nextHandle = 1;
};

std::mutex apiMutex;            // serialises the BASS calls
std::unique_ptr<Output> output;  // present between BASS_Init and BASS_Free

template <typename T>
T fail(int code, T result) {
    lastError = code;
    return result;
}

template <typename T>
T succeed(T result) {
    lastError = BASS_OK;
    return result;
}

// Holds the audio device's lock, so that the callback sees no half-made change.
class DeviceLock {
public:
    explicit DeviceLock(const Output& out) : device(out.device) { SDL_LockAudioDevice(device); }
    ~DeviceLock() { SDL_UnlockAudioDevice(device); }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    SDL_AudioDeviceID device;
};

void mixCallback(void* userdata, Uint8* bytes, int len) {
    Output& out = *static_cast<Output*>(userdata);
    std::memset(bytes, 0, size_t(len));
    int16_t* mix = reinterpret_cast<int16_t*>(bytes);
    const QWORD frames = QWORD(len) / (kOutputChannels * sizeof(int16_t));
    const Uint64 now = SDL_GetPerformanceCounter();
    for (auto& [handle, stream] : out.streams) {
        Stream& s = *stream;
        if (s.state != BASS_ACTIVE_PLAYING)
            continue;
        const QWORD n = std::min(frames, s.outFrames - s.cursor);
        const int16_t* src = s.pcm.data() + s.cursor * kOutputChannels;
        for (QWORD i = 0; i < n * kOutputChannels; ++i)
            mix[i] = int16_t(std::clamp(int(mix[i]) + int(src[i]), -32768, 32767));
        s.handStart = s.cursor;
        s.handEnd = s.cursor + n;
        s.handTicks = now;
        s.cursor += n;
    }
}

Stream* findStream(DWORD handle) {
    if (!output)
        return nullptr;
    auto found = output->streams.find(handle);
    return found == output->streams.end() ? nullptr : found->second.get();
}

// The output frame being heard now; marks a stream whose last samples have been heard as
// stopped. Needs the device lock.
QWORD heardFrame(Stream& s) {
    if (s.state != BASS_ACTIVE_PLAYING)
        return s.cursor;
    const Uint64 now = SDL_GetPerformanceCounter();
    const Uint64 elapsed = now > s.handTicks ? now - s.handTicks : 0;
    const double elapsedFrames = double(elapsed) * double(output->rate) / double(output->ticksPerSecond);
    const QWORD block = s.handEnd - s.handStart;
    QWORD heard = s.handStart + (elapsedFrames >= double(block) ? block : QWORD(elapsedFrames));
    heard = std::max(heard, s.lastHeard);
    s.lastHeard = heard;
    if (heard >= s.outFrames) {
        s.state = BASS_ACTIVE_STOPPED;
        s.cursor = s.outFrames;
    }
    return heard;
}

QWORD streamFrameOf(const Stream& s, QWORD outFrame) {
    if (outFrame >= s.outFrames)
        return s.length;
    const QWORD since = outFrame - s.seekOut;
    const QWORD frame = s.seekStream + QWORD((unsigned __int128)since * unsigned(s.rate) / unsigned(output->rate));
    return std::min(frame, s.length);
}

QWORD outFrameOf(const Stream& s, QWORD streamFrame) {
    if (streamFrame >= s.length)
        return s.outFrames;
    const QWORD frame = QWORD((unsigned __int128)streamFrame * unsigned(output->rate) / unsigned(s.rate));
    return std::min(frame, s.outFrames);
}

// Moves a stream to a stream frame. Needs the device lock.
void seekTo(Stream& s, QWORD streamFrame) {
    s.cursor = outFrameOf(s, streamFrame);
    s.seekStream = std::min(streamFrame, s.length);
    s.seekOut = s.cursor;
    s.handStart = s.handEnd = s.cursor;
    s.handTicks = SDL_GetPerformanceCounter();
    s.lastHeard = s.cursor;
}

// --- decoding ---

struct MemoryReader {
    const unsigned char* data;
    size_t size;
    size_t position;
};

mpg123_ssize_t readMemory(void* handle, void* buffer, size_t count) {
    MemoryReader& r = *static_cast<MemoryReader*>(handle);
    const size_t n = std::min(count, r.size - r.position);
    std::memcpy(buffer, r.data + r.position, n);
    r.position += n;
    return mpg123_ssize_t(n);
}

off_t seekMemory(void* handle, off_t offset, int whence) {
    MemoryReader& r = *static_cast<MemoryReader*>(handle);
    const off_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? off_t(r.position) : off_t(r.size);
    const off_t target = base + offset;
    if (target < 0 || target > off_t(r.size))
        return -1;
    r.position = size_t(target);
    return target;
}

bool saneRate(long rate) {
    static const long rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    return std::find(std::begin(rates), std::end(rates), rate) != std::end(rates);
}

// Where the audio frames end: before an ID3v1 tag and an APEv2 tag at the end of the data.
size_t audioEnd(const unsigned char* data, size_t size) {
    if (size >= 128 && std::memcmp(data + size - 128, "TAG", 3) == 0)
        size -= 128;
    if (size >= 32 && std::memcmp(data + size - 32, "APETAGEX", 8) == 0) {
        const unsigned char* footer = data + size - 32;
        const size_t tagSize = size_t(footer[12]) | size_t(footer[13]) << 8 | size_t(footer[14]) << 16 |
                               size_t(footer[15]) << 24;
        const bool hasHeader = (footer[23] & 0x80) != 0;
        size -= std::min(size, tagSize + (hasHeader ? 32 : 0));
    }
    return size;
}

// Decodes MPEG audio completely into 16-bit samples in its own format. Rejects data that is
// not made of MPEG frames: mpg123 skips junk silently and finds false frames in other formats
// (AAC in MP4, for one), so the frames decoded must fill nine tenths of the bytes from the first
// frame to the trailing tags. A truncated file keeps what it holds.
bool decodeMpeg(const unsigned char* data, size_t size, Stream& s) {
    static std::once_flag initOnce;
    std::call_once(initOnce, [] { mpg123_init(); });

    MemoryReader reader{data, size, 0};
    std::unique_ptr<mpg123_handle, void (*)(mpg123_handle*)> mh(mpg123_new(nullptr, nullptr), &mpg123_delete);
    if (!mh)
        return false;
    mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    if (mpg123_replace_reader_handle(mh.get(), &readMemory, &seekMemory, nullptr) != MPG123_OK ||
        mpg123_open_handle(mh.get(), &reader) != MPG123_OK)
        return false;

    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(mh.get(), &rate, &channels, &encoding) != MPG123_OK || !saneRate(rate) ||
        (channels != 1 && channels != 2))
        return false;
    mpg123_format_none(mh.get());
    if (mpg123_format(mh.get(), rate, channels, MPG123_ENC_SIGNED_16) != MPG123_OK)
        return false;

    std::vector<int16_t> samples;
    if (mpg123_scan(mh.get()) == MPG123_OK) {
        // An MPEG frame of at most 1152 samples takes at least 24 bytes, which bounds the length.
        const off_t expected = mpg123_length(mh.get());
        if (expected > 0 && QWORD(expected) <= QWORD(size) * 48)
            samples.reserve(size_t(expected) * size_t(channels));
    }

    size_t frameBytes = 0;
    size_t largestFrame = 0;
    off_t firstFrameAt = -1;
    for (;;) {
        off_t frameNumber = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        const int result = mpg123_decode_frame(mh.get(), &frameNumber, &audio, &bytes);
        if (result == MPG123_NEW_FORMAT)
            continue;
        if (result != MPG123_OK)
            break;  // the end, or data that no longer decodes: keep what came before
        mpg123_frameinfo info;
        if (mpg123_info(mh.get(), &info) == MPG123_OK) {
            frameBytes += size_t(std::max(info.framesize, 0));
            largestFrame = std::max(largestFrame, size_t(std::max(info.framesize, 0)));
        }
        if (firstFrameAt < 0)
            firstFrameAt = mpg123_framepos(mh.get());
        const int16_t* pcm = reinterpret_cast<const int16_t*>(audio);
        samples.insert(samples.end(), pcm, pcm + bytes / sizeof(int16_t));
    }

    // The frames must fill the bytes from the first frame to the trailing tags, but for the
    // frame a truncated file cuts short.
    const size_t start = size_t(std::clamp<off_t>(firstFrameAt, 0, off_t(size)));
    const size_t span = audioEnd(data, size) - std::min(start, audioEnd(data, size));
    if (samples.size() < size_t(channels) || (frameBytes + largestFrame) * 10 < span * 9)
        return false;
    s.rate = int(rate);
    s.channels = channels;
    s.length = samples.size() / size_t(channels);
    s.pcm = std::move(samples);
    return true;
}

// Converts the decoded samples to the output format (mix rate, stereo). libsamplerate keeps the
// length exact (frames * outRate / rate) and adds no delay, so positions map back exactly.
bool toOutputFormat(Stream& s, int outRate) {
    if (s.rate != outRate) {
        const double ratio = double(outRate) / double(s.rate);
        const size_t outSamples = (size_t(double(s.length) * ratio) + 1) * size_t(s.channels);
        // The sample format helpers count in int: about ten hours of stereo at 48 kHz.
        if (s.pcm.size() > size_t(INT32_MAX) || outSamples > size_t(INT32_MAX))
            return false;
        std::vector<float> in(s.pcm.size());
        src_short_to_float_array(s.pcm.data(), in.data(), int(in.size()));
        std::vector<float> out(outSamples);
        SRC_DATA data{};
        data.data_in = in.data();
        data.input_frames = long(s.length);
        data.data_out = out.data();
        data.output_frames = long(out.size() / size_t(s.channels));
        data.src_ratio = ratio;
        data.end_of_input = 1;
        if (src_simple(&data, SRC_SINC_FASTEST, s.channels) != 0)
            return false;
        out.resize(size_t(data.output_frames_gen) * size_t(s.channels));
        s.pcm.assign(out.size(), 0);
        src_float_to_short_array(out.data(), s.pcm.data(), int(out.size()));
    }
    s.outFrames = s.pcm.size() / size_t(s.channels);
    if (s.channels == 1) {
        std::vector<int16_t> stereo(s.pcm.size() * 2);
        for (size_t i = 0; i < s.pcm.size(); ++i)
            stereo[2 * i] = stereo[2 * i + 1] = s.pcm[i];
        s.pcm = std::move(stereo);
    }
    return true;
}

bool readFileRange(const char* path, QWORD offset, QWORD length, std::vector<unsigned char>& bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), &std::fclose);
    struct stat info;
    if (!file || fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const QWORD size = QWORD(info.st_size);
    if (offset > size)
        return false;
    const QWORD available = size - offset;
    const QWORD wanted = length == 0 ? available : std::min(length, available);
    if (std::fseek(file.get(), long(offset), SEEK_SET) != 0)
        return false;
    bytes.resize(size_t(wanted));
    return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

DWORD chooseBufferFrames(int rate) {
    // The largest power of two that lasts at most 12 ms: the heard position is never further
    // than one buffer from what the device consumed.
    DWORD frames = 64;
    while (QWORD(frames) * 2 * 1000 <= QWORD(rate) * 12)
        frames *= 2;
    return frames;
}

}  // namespace

BOOL BASS_Init(int device, DWORD freq, DWORD, HWND, const void*) {
    std::lock_guard<std::mutex> guard(apiMutex);
    if (output)
        return fail(BASS_ERROR_ALREADY, FALSE);
    if (device != -1 && device != 1)
        return fail(BASS_ERROR_DEVICE, FALSE);
    if (freq == 0)
        freq = 44100;
    if (freq < 8000 || freq > 192000)
        return fail(BASS_ERROR_FREQ, FALSE);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return fail(BASS_ERROR_DRIVER, FALSE);

    auto out = std::make_unique<Output>();
    SDL_AudioSpec want{};
    want.freq = int(freq);
    want.format = AUDIO_S16SYS;
    want.channels = kOutputChannels;
    want.samples = Uint16(chooseBufferFrames(int(freq)));
    want.callback = &mixCallback;
    want.userdata = out.get();
    SDL_AudioSpec have{};
    out->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (out->device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return fail(BASS_ERROR_DEVICE, FALSE);
    }
    out->rate = have.freq;
    out->bufferFrames = have.samples;
    out->ticksPerSecond = SDL_GetPerformanceFrequency();
    output = std::move(out);
    SDL_PauseAudioDevice(output->device, 0);
    return succeed(TRUE);
}

BOOL BASS_Free() {
    std::lock_guard<std::mutex> guard(apiMutex);
    if (!output)
        return fail(BASS_ERROR_INIT, FALSE);
    // Closing the device stops and joins its thread; only then do the streams go.
    SDL_CloseAudioDevice(output->device);
    output.reset();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return succeed(TRUE);
}

BOOL BASS_Start() {
    std::lock_guard<std::mutex> guard(apiMutex);
    if (!output)
        return fail(BASS_ERROR_INIT, FALSE);
    SDL_PauseAudioDevice(output->device, 0);
    return succeed(TRUE);
}

BOOL BASS_Update(DWORD) {
    std::lock_guard<std::mutex> guard(apiMutex);
    // Streams are decoded in full at creation: there is no buffer to fill.
    return output ? succeed(TRUE) : fail(BASS_ERROR_INIT, FALSE);
}

int BASS_ErrorGetCode() {
    return lastError;
}

namespace {

HSTREAM createStream(BOOL mem, const void* file, QWORD offset, QWORD length) {
    if (!output)
        return fail(BASS_ERROR_INIT, HSTREAM(0));
    if (!file || (mem && length == 0))
        return fail(BASS_ERROR_ILLPARAM, HSTREAM(0));

    std::vector<unsigned char> fileBytes;
    const unsigned char* data = static_cast<const unsigned char*>(file);
    size_t size = size_t(length);
    if (!mem) {
        if (!readFileRange(static_cast<const char*>(file), offset, length, fileBytes))
            return fail(BASS_ERROR_FILEOPEN, HSTREAM(0));
        data = fileBytes.data();
        size = fileBytes.size();
    }

    auto stream = std::make_unique<Stream>();
    if (size == 0 || !decodeMpeg(data, size, *stream))
        return fail(BASS_ERROR_FILEFORM, HSTREAM(0));
    if (!toOutputFormat(*stream, output->rate))
        return fail(BASS_ERROR_MEM, HSTREAM(0));

    HSTREAM handle = output->nextHandle++;
    if (handle == 0)
        handle = output->nextHandle++;
    DeviceLock lock(*output);
    output->streams.emplace(handle, std::move(stream));
    return succeed(handle);
}

}  // namespace

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD) {
    std::lock_guard<std::mutex> guard(apiMutex);
    try {
        return createStream(mem, file, offset, length);
    } catch (const std::bad_alloc&) {
        return fail(BASS_ERROR_MEM, HSTREAM(0));
    }
}

BOOL BASS_StreamFree(HSTREAM handle) {
    std::lock_guard<std::mutex> guard(apiMutex);
    if (!findStream(handle))
        return fail(BASS_ERROR_HANDLE, FALSE);
    std::unique_ptr<Stream> doomed;
    {
        DeviceLock lock(*output);
        auto found = output->streams.find(handle);
        doomed = std::move(found->second);
        output->streams.erase(found);
    }
    return succeed(TRUE);
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    std::lock_guard<std::mutex> guard(apiMutex);
    Stream* s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, FALSE);
    DeviceLock lock(*output);
    if (restart)
        seekTo(*s, 0);
    else if (s->state == BASS_ACTIVE_PLAYING)
        return succeed(TRUE);
    else
        seekTo(*s, streamFrameOf(*s, s->cursor));
    // A stream at its end stays there: it is stopped again at the next position query.
    s->state = BASS_ACTIVE_PLAYING;
    return succeed(TRUE);
}

namespace {

// Halts a playing stream where it is being heard, so that playing resumes from there.
BOOL haltStream(DWORD handle, DWORD newState) {
    std::lock_guard<std::mutex> guard(apiMutex);
    Stream* s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, FALSE);
    DeviceLock lock(*output);
    const QWORD heard = heardFrame(*s);  // stops a stream whose end has been heard
    if (newState == BASS_ACTIVE_PAUSED && s->state != BASS_ACTIVE_PLAYING)
        return fail(BASS_ERROR_NOPLAY, FALSE);
    if (s->state == BASS_ACTIVE_PLAYING) {
        s->cursor = heard;
        s->handStart = s->handEnd = heard;
    }
    s->state = newState;
    return succeed(TRUE);
}

}  // namespace

BOOL BASS_ChannelPause(DWORD handle) {
    return haltStream(handle, BASS_ACTIVE_PAUSED);
}

BOOL BASS_ChannelStop(DWORD handle) {
    return haltStream(handle, BASS_ACTIVE_STOPPED);
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    std::lock_guard<std::mutex> guard(apiMutex);
    Stream* s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, DWORD(BASS_ACTIVE_STOPPED));
    DeviceLock lock(*output);
    heardFrame(*s);
    return succeed(s->state);
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
    std::lock_guard<std::mutex> guard(apiMutex);
    const Stream* s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, kBadPosition);
    if (mode != BASS_POS_BYTE)
        return fail(BASS_ERROR_NOTAVAIL, kBadPosition);
    return succeed(s->length * s->bytesPerFrame());
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
    std::lock_guard<std::mutex> guard(apiMutex);
    Stream* s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, kBadPosition);
    if (mode != BASS_POS_BYTE)
        return fail(BASS_ERROR_NOTAVAIL, kBadPosition);
    DeviceLock lock(*output);
    return succeed(streamFrameOf(*s, heardFrame(*s)) * s->bytesPerFrame());
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode) {
    std::lock_guard<std::mutex> guard(apiMutex);
    Stream* s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, FALSE);
    if (mode != BASS_POS_BYTE)
        return fail(BASS_ERROR_NOTAVAIL, FALSE);
    if (pos > s->length * s->bytesPerFrame())
        return fail(BASS_ERROR_POSITION, FALSE);
    DeviceLock lock(*output);
    seekTo(*s, pos / s->bytesPerFrame());
    return succeed(TRUE);
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    std::lock_guard<std::mutex> guard(apiMutex);
    const Stream* s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, -1.0);
    return succeed(double(pos / s->bytesPerFrame()) / double(s->rate));
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos) {
    std::lock_guard<std::mutex> guard(apiMutex);
    const Stream* s = findStream(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, kBadPosition);
    if (!(pos >= 0.0) || pos * s->rate >= 1.8e19)
        return fail(BASS_ERROR_ILLPARAM, kBadPosition);
    // Whole frames, with a margin far below a frame so that seconds from
    // BASS_ChannelBytes2Seconds convert back to the same bytes despite the rounding of the division.
    return succeed(QWORD(pos * double(s->rate) + 1e-6) * s->bytesPerFrame());
}

int bassLiveStreamCount() {
    return liveStreams.load();
}

bool bassDeviceIsOpen() {
    std::lock_guard<std::mutex> guard(apiMutex);
    return output != nullptr;
}

QWORD bassHandedBytes(DWORD handle) {
    std::lock_guard<std::mutex> guard(apiMutex);
    Stream* s = findStream(handle);
    if (!s)
        return kBadPosition;
    DeviceLock lock(*output);
    return streamFrameOf(*s, s->cursor) * s->bytesPerFrame();
}

DWORD bassDeviceBufferFrames() {
    std::lock_guard<std::mutex> guard(apiMutex);
    return output ? output->bufferFrames : 0;
}
