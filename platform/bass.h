// BASS stand-in: MP3 file streams decoded with libmpg123 and played through SDL2's audio output.
// Implements: output initialisation and release, file streams (the whole file is decoded and
//   measured at creation, so length and seeking are exact), play, pause, restart, seek, the
//   heard position in bytes, byte/second conversions, activity state and error codes.
// Leaves out: URL and user streams, decoding channels, automatic freeing, MOD music, samples, recording, 3D, effects,
//   DSP and sync callbacks, channel attributes, and devices other than the default output.
#pragma once

#include "platform/win32.h"

#include <cstdint>

typedef uint64_t QWORD;
typedef DWORD HSTREAM;
typedef DWORD HCHANNEL;

// Stream creation flags.
#define BASS_STREAM_PRESCAN 0x20000

// Position modes.
#define BASS_POS_BYTE 0

// Channel activity, as answered by BASS_ChannelIsActive.
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

// Error codes, as answered by BASS_ErrorGetCode.
#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_DRIVER 3
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_POSITION 7
#define BASS_ERROR_INIT 8
#define BASS_ERROR_START 9
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_NOPLAY 24
#define BASS_ERROR_FREQ 25
#define BASS_ERROR_NOTFILE 27
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_NOTAVAIL 37
#define BASS_ERROR_FILEFORM 41
#define BASS_ERROR_UNKNOWN -1

// Output. Device -1 and device 1 are the default output device. freq is the output mix rate
// (0 picks 44100); flags, win and clsid are accepted and ignored. Returns FALSE when no output
// device can be opened, or when BASS is already initialised.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND win, const void* clsid);
BOOL BASS_Free();
BOOL BASS_Start();
BOOL BASS_Update(DWORD length);
int BASS_ErrorGetCode();

// Streams of MPEG audio (layers 1 to 3). With mem == FALSE, file is a path and offset and
// length select a byte range of the file (length 0: to its end); with mem == TRUE, file points
// at length bytes in memory (offset is not used), read during the call only. Flags other than
// BASS_STREAM_PRESCAN are ignored: every stream is measured exactly. Returns 0 on failure.
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
BOOL BASS_StreamFree(HSTREAM handle);

// Channels. Byte positions are in the stream's own format: its sample rate and channel count,
// 16-bit samples. BASS_ChannelGetPosition answers the position being heard.
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelPause(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
DWORD BASS_ChannelIsActive(DWORD handle);
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos);

// Diagnostics for tests and benchmarks: the number of streams alive, whether an output device is
// open, and the stream bytes the output callback has handed to the device so far (the device
// has consumed them or holds them in its buffer), or (QWORD)-1 for a bad handle.
int bassLiveStreamCount();
bool bassDeviceIsOpen();
QWORD bassHandedBytes(DWORD handle);
// The output buffer size in frames of the device (0 when none is open).
DWORD bassDeviceBufferFrames();
