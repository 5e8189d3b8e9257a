#include "platform/forms/imagelist.h"

#include "platform/forms/collectionerrors.h"
#include "platform/runtime/runtime_error.h"

namespace platform::forms {

QWidget *ImageList::createWidget(QWidget *)
{
    m_images.clear(); // each load starts from the design
    return nullptr;
}

int ImageList::Add(const Picture &picture, const QString &key)
{
    load();
    if (!key.isEmpty() && IndexOf(key) > 0)
        raiseCollectionError(collectionError::KeyNotUnique);
    m_images.push_back({key, picture});
    return int(m_images.size());
}

int ImageList::Count()
{
    load();
    return int(m_images.size());
}

int ImageList::IndexOf(const QString &key)
{
    load();
    for (size_t i = 0; i < m_images.size(); ++i)
        if (!key.isEmpty() && m_images[i].key == key)
            return int(i) + 1;
    return 0;
}

Picture ImageList::Item(int index)
{
    load();
    if (index < 1 || index > int(m_images.size()))
        raiseCollectionError(collectionError::IndexOutOfBounds);
    return m_images[size_t(index - 1)].picture;
}

Picture ImageList::Item(const QString &key)
{
    const int index = IndexOf(key);
    if (index == 0)
        raiseCollectionError(collectionError::ElementNotFound);
    return Item(index);
}

void ImageList::Clear()
{
    load();
    m_images.clear();
}

} // namespace platform::forms
