#pragma once
// What the container's property pages need of the control beyond its
// IContainer: marking it changed after an edit of its collections, and the
// names of the controls it frames. A private interface of the library.
#include "platform/com/automation.h"

#include <QStringList>

namespace lumafold {

namespace com = platform::com;

extern const com::IID IID_IContainerPageLink;

struct IContainerPageLink : com::IUnknown {
    // Marks the control dirty, lays it out again and repaints it; a
    // non-zero id is also reported to its property-notify sinks.
    virtual com::HRESULT MarkChanged(com::DISPID id) = 0;
    // The names of the contained controls in the order of their frame records.
    virtual com::HRESULT GetFrameNames(QStringList *names) = 0;
};

// The property pages in the order the control lists them.
extern const com::CLSID CLSID_ContainerEffectsPage;
extern const com::CLSID CLSID_ContainerChildsPage;
extern const com::CLSID CLSID_ContainerGeneralPage;

} // namespace lumafold
