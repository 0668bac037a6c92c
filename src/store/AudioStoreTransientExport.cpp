#include "store/AudioStore.h"
#include "store/JobDelivery.h"

#include "export/BaseName.h"
#include "export/TransientExport.h"
#include "platform/defaults/Bookmark.h"
#include "settings/AppSettings.h"

#include <QFile>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <filesystem>

namespace barquill {

void AudioStore::exportTransients() {
    if (!buffer_ || !info_ || isExportingTransients_ || buffer_->channelCount() == 0) return;
    const std::optional<QString> folder = exportFolder();
    if (!folder) return;

    // The decoded buffer is never written again, so sharing it is as good as a snapshot: a new load
    // or a reverse during the export cannot change what is cut. Always forward, never "_rev".
    TransientExportJob job;
    job.source = buffer_;
    job.extractor = TransientExtractor::forSensitivity(settings_ ? settings_->transientSensitivity()
                                                                 : AppSettings::defaultTransientSensitivity);
    job.fadeSeconds = sliceFadeSeconds();
    job.bitDepth = exportBitDepthSetting();
    job.exportSampleRate = exportSampleRateSetting();
    job.folder = std::filesystem::path(QFile::encodeName(*folder).toStdString());
    job.stem = sanitizedBaseName(info_->fileName.toStdString());

    setIsExportingTransients(true);
    const bool granted = startAccessingSecurityScopedResource(*folder);
    const std::filesystem::path destination = job.folder;
    auto task = QtConcurrent::run([job = std::move(job)]() -> TransientExportOutcome {
        try {
            return runTransientExport(job);
        } catch (const std::exception& e) {
            // Whatever goes wrong, the report must still arrive to clear isExportingTransients.
            TransientExportOutcome outcome;
            outcome.failure = std::string("Transient export failed: ") + e.what();
            return outcome;
        }
    });
    deliverResult(
        std::move(task), this,
        [destination, folder = *folder, granted](AudioStore& store, TransientExportOutcome outcome) {
            const ExportReport report = transientExportReport(outcome, destination);
            if (report.isError)
                store.setErrorMessage(QString::fromStdString(report.text));
            else
                store.flashExport(QString::fromStdString(report.text));
            store.setIsExportingTransients(false);
            if (granted) stopAccessingSecurityScopedResource(folder);
        });
}

} // namespace barquill
