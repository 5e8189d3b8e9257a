#include "talvik/app/formDispatch.h"

#include "platform/forms/control.h"
#include "platform/forms/form.h"
#include "platform/forms/timer.h"

#include "platform/runtime/runtime_error.h"

#include <QMetaObject>

#include <memory>
#include <vector>

namespace talvik {

using platform::com::ComPtr;
using platform::com::DispatchObject;

QString controlTypeName(const QObject &control)
{
    if (qobject_cast<const platform::forms::TimerControl *>(&control))
        return QStringLiteral("Timer");
    QString name = QString::fromLatin1(control.metaObject()->className());
    const int colon = name.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0)
        name = name.mid(colon + 1);
    return name;
}

namespace {

ComPtr<DispatchObject> makeControlDispatch(platform::forms::Control &control)
{
    ComPtr<DispatchObject> obj(new DispatchObject(controlTypeName(control)));
    platform::forms::Control *c = &control;
    obj->addProperty(QStringLiteral("Enabled"), [c] { return QVariant(c->Enabled()); },
                     [c](const QVariant &v) { c->setEnabled(v.toBool()); });
    obj->addProperty(QStringLiteral("Name"), [c] { return QVariant(c->Name()); });
    return obj;
}

// A result object carries one reference for the caller.
QVariant handOver(const ComPtr<DispatchObject> &obj)
{
    obj->AddRef();
    return platform::com::objectVariant(obj.get());
}

} // namespace

ComPtr<DispatchObject> makeFormDispatch(platform::forms::Form &form, const QString &typeName)
{
    ComPtr<DispatchObject> obj(new DispatchObject(typeName));
    platform::forms::Form *f = &form;
    obj->addProperty(QStringLiteral("Enabled"), [f] { return QVariant(f->Enabled()); },
                     [f](const QVariant &v) { f->setEnabled(v.toBool()); });
    obj->addMethod(QStringLiteral("addDisableHold"), [f](const QVariantList &args) {
        f->addDisableHold(args.value(0).toString());
        return QVariant();
    });
    obj->addMethod(QStringLiteral("releaseDisableHold"), [f](const QVariantList &args) {
        f->releaseDisableHold(args.value(0).toString());
        return QVariant();
    });
    obj->addProperty(QStringLiteral("Controls"), [f] {
        // A snapshot of the controls as they stand now.
        ComPtr<DispatchObject> collection(new DispatchObject(QStringLiteral("Controls")));
        auto items = std::make_shared<std::vector<ComPtr<DispatchObject>>>();
        for (platform::forms::Control *c : f->Controls())
            items->push_back(makeControlDispatch(*c));
        collection->addProperty(QStringLiteral("Count"), [items] { return QVariant(int(items->size())); });
        collection->addMethod(QStringLiteral("Item"), [items](const QVariantList &args) {
            const int i = args.value(0).toInt();
            if (i < 0 || i >= int(items->size()))
                platform::raise(platform::err::SubscriptOutOfRange);
            return handOver(items->at(static_cast<size_t>(i)));
        });
        return handOver(collection);
    });
    return obj;
}

ComPtr<DispatchObject> makeTimerDispatch(platform::forms::TimerControl &timer)
{
    ComPtr<DispatchObject> obj(new DispatchObject(QStringLiteral("Timer")));
    platform::forms::TimerControl *t = &timer;
    obj->addProperty(QStringLiteral("Enabled"), [t] { return QVariant(t->Enabled()); },
                     [t](const QVariant &v) { t->setEnabled(v.toBool()); });
    obj->addProperty(QStringLiteral("Interval"), [t] { return QVariant(t->Interval()); },
                     [t](const QVariant &v) { t->setInterval(v.toInt()); });
    return obj;
}

} // namespace talvik
