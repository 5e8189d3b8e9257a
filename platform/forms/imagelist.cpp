#include "platform/forms/imagelist.h"

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
        platform::raise(35602, QStringLiteral("キーはこのコレクションの別の要素で既に使われています。"));
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
        platform::raise(35600, QStringLiteral("インデックスが範囲を超えています。"));
    return m_images[size_t(index - 1)].picture;
}

Picture ImageList::Item(const QString &key)
{
    const int index = IndexOf(key);
    if (index == 0)
        platform::raise(35601, QStringLiteral("要素が見つかりません。"));
    return Item(index);
}

void ImageList::Clear()
{
    load();
    m_images.clear();
}

} // namespace platform::forms
