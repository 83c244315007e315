// The music timer: turns the playback position of a BASS stream into rows and back.
#pragma once

#include "platform/bass.h"

inline namespace orlunde {
namespace sync {

// A source of music position in rows (fractional; keys sit on whole rows).
class Timer {
public:
    virtual ~Timer() {}
    virtual void pause() = 0;
    virtual void play() = 0;
    virtual float getRow() = 0;
    virtual void setRow(float row) = 0;
    virtual bool isPlaying() = 0;
};

}  // namespace sync
}  // namespace orlunde

// Timer over a BASS stream it does not own: row = seconds * tempo / 60 * rowsPerBeat.
class BassTimer final : public sync::Timer {
public:
    BassTimer(HSTREAM stream, float tempo, int rowsPerBeat);
    ~BassTimer() override;

    void pause() override;
    void play() override;
    float getRow() override;
    void setRow(float row) override;
    bool isPlaying() override;

    // The music position in seconds, read anew from the stream at each call.
    float getSeconds();

private:
    HSTREAM stream;
    double rowRate;
};
