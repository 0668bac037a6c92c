#pragma once

#include <QCoreApplication>
#include <QFuture>
#include <QPointer>

#include <utility>

namespace barquill {

// Hands a background job's result to `apply(owner, result)` on the GUI thread, unless the owner is
// gone by then. The application object, not the owner, receives the continuation: Qt 6.4 asserts
// when a continuation's context object is destroyed while its job still runs, and a document may
// be closed (or a test end) with an analysis or a decode still under way.
template <typename Owner, typename T, typename Apply>
void deliverResult(QFuture<T> future, Owner* owner, Apply apply) {
    QPointer<Owner> guard(owner);
    std::move(future).then(QCoreApplication::instance(), [guard, apply = std::move(apply)](T result) mutable {
        if (guard) apply(*guard, std::move(result));
    });
}

} // namespace barquill
