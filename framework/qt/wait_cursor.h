// While a prompt is up in the middle of busy work, it shows the normal cursor, not the busy one.
#pragma once

namespace afx {

class NormalCursorWhilePrompting {
public:
    NormalCursorWhilePrompting();
    ~NormalCursorWhilePrompting();
    NormalCursorWhilePrompting(const NormalCursorWhilePrompting&) = delete;
    NormalCursorWhilePrompting& operator=(const NormalCursorWhilePrompting&) = delete;

private:
    bool set_ = false;
};

}  // namespace afx
