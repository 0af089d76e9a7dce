#include "delivery/CaptureDelivery.h"

#include "capture/PngWriter.h"
#include "delivery/FileNames.h"

#include <QDir>
#include <QFileInfo>

#include <optional>
#include <vector>

namespace moxilane {

struct CaptureDelivery::Job {
    CaptureList captures;
    std::vector<std::size_t> forClipboard;  // indices, in order
    bool save = false;
    QString baseName;
    std::vector<std::optional<QByteArray>> png;  // per capture; set for those encoded
    QStringList saved;
    std::vector<FileWriteError> errors;
    std::function<void()> done;
};

CaptureDelivery::CaptureDelivery(Services services, EditAction onEdit)
    : m_services(services), m_onEdit(std::move(onEdit)) {}

void CaptureDelivery::deliver(CaptureList captures, std::function<void()> done) {
    if (captures.empty()) {
        if (done) done();
        return;
    }
    auto job = std::make_shared<Job>();
    job->captures = std::move(captures);
    job->done = std::move(done);
    job->baseName = screenshotBaseName(m_services.clock.now());

    const Settings& settings = m_services.settings;
    const std::size_t count = job->captures.size();
    if (settings.copyToClipboard()) {
        for (std::size_t i = 0; i < count; ++i)
            job->forClipboard.push_back(i);
    } else if (settings.alsoCopyToClipboard()) {
        // With a folder, the other displays of a full-screen capture go to files only.
        const std::size_t n = m_services.saveLocation.currentFolder() ? 1 : count;
        for (std::size_t i = 0; i < n; ++i)
            job->forClipboard.push_back(i);
    }
    job->save = !settings.copyToClipboard() && m_services.saveLocation.currentFolder();

    // Encode once; the clipboard and the file of a capture get the same bytes.
    std::vector<bool> wanted(count, job->save);
    for (std::size_t i : job->forClipboard)
        wanted[i] = true;

    inBackground(
        m_services.scheduler,
        [captures = job->captures, wanted = std::move(wanted)] {
            std::vector<std::optional<QByteArray>> png(captures.size());
            for (std::size_t i = 0; i < captures.size(); ++i) {
                if (!wanted[i]) continue;
                if (auto bytes = pngData(captures[i].image, captures[i].scale)) png[i] = *bytes;
            }
            return png;
        },
        [this, job](std::vector<std::optional<QByteArray>> png) {
            job->png = std::move(png);
            putOnPasteboard(*job);
            if (job->save) {
                saveFiles(job);
            } else {
                finish(job);
            }
        });
}

void CaptureDelivery::putOnPasteboard(const Job& job) {
    std::vector<QByteArray> items;
    for (std::size_t i : job.forClipboard) {
        if (job.png[i]) items.push_back(*job.png[i]);
    }
    // A capture that could not be encoded is left off; with none, the clipboard keeps
    // what it had.
    if (!items.empty()) m_services.clipboard.setPngImages(items);
}

void CaptureDelivery::saveFiles(std::shared_ptr<Job> job) {
    const auto folder = m_services.saveLocation.currentFolder();
    if (!folder) {
        m_services.alerts.showAlert(folderAlertMessage(), folderAlertText());
        finish(job);
        return;
    }
    struct Written {
        QStringList saved;
        std::vector<FileWriteError> errors;
    };
    std::vector<std::pair<QString, std::optional<QByteArray>>> files;
    for (std::size_t i = 0; i < job->captures.size(); ++i) {
        files.emplace_back(QDir(*folder).filePath(screenshotFileName(job->baseName, i)),
                           job->png[i]);
    }
    inBackground(
        m_services.scheduler,
        [files = std::move(files)] {
            Written written;
            for (const auto& [path, bytes] : files) {
                if (!bytes) {
                    written.errors.push_back(
                        FileWriteError{QFileInfo(path).fileName(),
                                       QStringLiteral("the image could not be encoded")});
                    continue;
                }
                if (auto ok = writeFileAtomically(*bytes, path)) {
                    written.saved << path;
                } else {
                    written.errors.push_back(ok.error());
                }
            }
            return written;
        },
        [this, job](Written written) {
            job->saved = std::move(written.saved);
            job->errors = std::move(written.errors);
            reportSaved(*job);
            finish(job);
        });
}

void CaptureDelivery::reportSaved(const Job& job) {
    if (m_services.settings.openAfterCapture()) {
        for (const QString& path : job.saved)
            m_services.desktop.openFile(path);
    }
    if (job.errors.empty()) return;
    QString text = job.errors.front().description() +
                   QStringLiteral("\nThe screenshot is still on the clipboard.");
    if (!job.saved.isEmpty()) {
        text += QStringLiteral(" %1 of %2 files were saved.")
                    .arg(job.saved.size())
                    .arg(job.captures.size());
    }
    m_services.alerts.showAlert(saveAlertMessage(), text);
}

void CaptureDelivery::finish(const std::shared_ptr<Job>& job) {
    const Capture& first = job->captures.front();
    m_services.preview.show(first.image, first.scale,
                            [onEdit = m_onEdit, first, saved = job->saved] {
                                if (onEdit) onEdit(first, saved);
                            });
    if (job->done) job->done();
}

void CaptureDelivery::showCaptureError(const CaptureError& error) {
    m_services.alerts.showAlert(captureAlertMessage(), error.description());
}

}  // namespace moxilane
