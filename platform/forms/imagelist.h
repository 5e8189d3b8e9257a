#pragma once
// Image list: pictures by 1-based index or by key, for toolbars, tree and
// list views. Images are added at design (designForm) or by code.
#include "platform/forms/control.h"
#include "platform/forms/controls.h"

#include <vector>

namespace platform::forms {

class ImageList : public Control {
    Q_OBJECT
public:
    using Control::Control;
    // Adds a picture; returns its index (1-based). A key that is taken
    // raises error 35602.
    int Add(const Picture &picture, const QString &key = QString());
    int Count();
    // Picture by index (1-based) or key; error 35600 when there is none.
    Picture Item(int index);
    Picture Item(const QString &key);
    int IndexOf(const QString &key);
    void Clear();

protected:
    QWidget *createWidget(QWidget *parent) override;

private:
    struct Entry {
        QString key;
        Picture picture;
    };
    std::vector<Entry> m_images;
};

} // namespace platform::forms
