// The music timer over a BASS stream.
#include "sync/timer.h"

BassTimer::BassTimer(HSTREAM stream, float tempo, int rowsPerBeat)
    : stream(stream), rowRate(double(tempo) / 60.0 * rowsPerBeat) {}

BassTimer::~BassTimer() {}

void BassTimer::pause() {
    BASS_ChannelPause(stream);
}

void BassTimer::play() {
    BASS_ChannelPlay(stream, FALSE);
}

float BassTimer::getSeconds() {
    const QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    return float(BASS_ChannelBytes2Seconds(stream, position));
}

float BassTimer::getRow() {
    return float(double(getSeconds()) * rowRate);
}

void BassTimer::setRow(float row) {
    const float seconds = float(row / rowRate);
    BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, double(seconds)), BASS_POS_BYTE);
}

bool BassTimer::isPlaying() {
    return BASS_ChannelIsActive(stream) == BASS_ACTIVE_PLAYING;
}
