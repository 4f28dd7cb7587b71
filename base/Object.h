#pragma once

// Root of every object that raises events: the Sender of an event is the
// object that raised it.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};
