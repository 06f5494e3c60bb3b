#pragma once

namespace karvo {

// What the profile sequences need from the window.
class ProfileHost {
public:
    virtual ~ProfileHost() = default;
    virtual int selectedProfileIndex() const = 0;           // cProfiles, -1 for none
    virtual void setSelectedProfileIndex(int index) = 0;     // out of range: no selection
    virtual void pressApply() = 0;                           // "Apply" of the "Base" page; may throw
    virtual void pressLoad() = 0;                            // "Load" of the "Profiles" group
};

}  // namespace karvo
