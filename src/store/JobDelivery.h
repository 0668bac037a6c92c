#pragma once

#include <QCoreApplication>
#include <QFuture>
#include <QPointer>

#include <utility>

namespace barquill {

// Hands a background job's result to `apply(owner, result)` on the GUI thread, unless the owner is
// gone by then. Delivery is always queued, never inside the call that started the job: a job that
// finishes before the continuation is attached (a tiny file on a busy machine) would otherwise
// run `apply` synchronously, in the middle of the caller's own state changes. The application
// object, not the owner, receives the call: Qt 6.4 asserts when a continuation's context object is
// destroyed while its job still runs, and a document may be closed (or a test end) with an
// analysis or a decode still under way.
template <typename Owner, typename T, typename Apply>
void deliverResult(QFuture<T> future, Owner* owner, Apply apply) {
    QPointer<Owner> guard(owner);
    std::move(future).then([guard, apply = std::move(apply)](T result) mutable {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, apply = std::move(apply), result = std::move(result)]() mutable {
                if (guard) apply(*guard, std::move(result));
            },
            Qt::QueuedConnection);
    });
}

} // namespace barquill
