#include "tools/designer/DesignerSession.h"
#include "tools/designer/BagJson.h"

#include "platform/com/errorinfo.h"
#include "platform/com/objectbase.h"
#include "platform/fileio/durable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

namespace designer {

using com::ComPtr;
using com::HRESULT;

namespace {

QString controlNameOf(const QString &progId)
{
    return progId.compare(QLatin1String(kComboProgId), Qt::CaseInsensitive) == 0 ? QStringLiteral("zoCombo1")
                                                                                : QStringLiteral("zoContainer3D1");
}

} // namespace

DesignerSession::DesignerSession(QWidget *form) : m_form(form) {}

DesignerSession::~DesignerSession()
{
    if (m_host) {
        m_host->destroyControl();
        delete m_host;
    }
}

bool DesignerSession::registerLibraries(const QString &folder, QString *error)
{
    QStringList failed;
    for (const char *file : {"libpickwell.so", "liblumafold.so"}) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(file);
        if (!QFileInfo::exists(path) || com::FAILED(com::registerServerLibrary(path)))
            failed << QLatin1String(file);
    }
    if (!failed.isEmpty() && error)
        *error = QStringLiteral("ライブラリを登録できません: %1").arg(failed.join(QStringLiteral(", ")));
    return failed.isEmpty();
}

HRESULT DesignerSession::create(const QString &progId, com::IPropertyBag *bag, QSize size)
{
    auto *host = new win::ControlHostWidget(m_form);
    const bool combo = progId.compare(QLatin1String(kComboProgId), Qt::CaseInsensitive) == 0;
    if (!size.isValid() || size.isEmpty())
        size = QSize(240, combo ? 24 : 120);
    host->setGeometry(20, 20, size.width(), size.height());
    host->setUserMode(false);
    m_lastError.clear();
    com::SetErrorInfo(0, nullptr);
    const HRESULT hr = host->createControl(progId, controlNameOf(progId), bag);
    if (com::FAILED(hr)) {
        ComPtr<com::IErrorInfo> info;
        if (com::GetErrorInfo(0, info.put()) == com::S_OK && info) {
            com::Bstr text;
            info->GetDescription(text.put());
            m_lastError = text.toQString();
        }
        delete host;
        return hr;
    }
    if (m_host) {
        m_host->destroyControl();
        delete m_host;
    }
    m_host = host;
    m_progId = progId;
    m_host->show();
    return hr;
}

bool DesignerSession::save(const QString &path, QString *error) const
{
    ComPtr<com::IPersistPropertyBag> persist;
    if (!m_host || com::FAILED(m_host->queryControl(com::IID_IPersistPropertyBag, persist.putVoid())) || !persist) {
        *error = QStringLiteral("保存できるコントロールがありません。");
        return false;
    }
    ComPtr<com::PropertyBag> bag(new com::PropertyBag);
    if (com::FAILED(persist->Save(bag.get(), true, true))) {
        *error = QStringLiteral("コントロールを保存できません。");
        return false;
    }
    try {
        platform::fileio::writeFile(path, designFileBytes(m_progId, *bag));
    } catch (const platform::RuntimeError &e) {
        *error = QStringLiteral("%1 に保存できません: %2").arg(QDir::toNativeSeparators(path), e.Description());
        return false;
    }
    return true;
}

bool DesignerSession::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 を開けません: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    // A design file is small; anything huge is not one.
    constexpr qint64 kLimit = 16 * 1024 * 1024;
    if (file.size() > kLimit) {
        *error = QStringLiteral("%1: デザイン ファイルではありません。").arg(QDir::toNativeSeparators(path));
        return false;
    }
    const QByteArray bytes = file.readAll();
    QString progId;
    ComPtr<com::PropertyBag> bag(new com::PropertyBag);
    if (!parseDesignFile(bytes, &progId, bag.get(), error)) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), *error);
        return false;
    }
    // The design's extent (HIMETRIC) gives the control its size back.
    QSize size;
    const auto *x = bag->find(QStringLiteral("_ExtentX"));
    const auto *y = bag->find(QStringLiteral("_ExtentY"));
    if (x && y && !x->isObject && !y->isObject) {
        com::Variant cx, cy;
        if (com::VariantChangeType(&cx, &x->value, 0, com::VT_I4) == com::S_OK
            && com::VariantChangeType(&cy, &y->value, 0, com::VT_I4) == com::S_OK) {
            const int w = win::HimetricToPixels(cx.lVal);
            const int h = win::HimetricToPixels(cy.lVal);
            // Sizes beyond any screen are not taken.
            if (w > 0 && h > 0 && w <= 4000 && h <= 4000)
                size = QSize(w, h);
        }
    }
    const HRESULT hr = create(progId, bag.get(), size);
    if (com::FAILED(hr)) {
        // The control names the value it refused; the file and the control
        // shown stay as they were.
        const QString why = m_lastError.isEmpty()
                                ? QStringLiteral("(0x%1)").arg(static_cast<uint32_t>(hr), 8, 16, QLatin1Char('0'))
                                : m_lastError;
        *error = QStringLiteral("%1: %2 を作成できません。%3").arg(QDir::toNativeSeparators(path), progId, why);
        return false;
    }
    return true;
}

HRESULT DesignerSession::showProperties()
{
    if (!m_host || !m_host->control())
        return com::E_UNEXPECTED;
    ComPtr<win::IOleObject> control(m_host->control());
    win::RECT rect{0, 0, m_host->width(), m_host->height()};
    return control->DoVerb(win::OLEIVERB_PROPERTIES, nullptr, nullptr, 0, m_host->hostWindow(), &rect);
}

} // namespace designer
