#include "delivery/CaptureDelivery.h"

#include "capture/PngWriter.h"
#include "delivery/DesktopImage.h"
#include "delivery/FileNames.h"

#include <QDir>
#include <QFileInfo>

#include <optional>
#include <vector>

namespace moxilane {

struct CaptureDelivery::Job {
    enum class ToClipboard { nothing, first, everything };

    CaptureList captures;
    ToClipboard toClipboard = ToClipboard::nothing;  // asked for; onClipboard says what went
    ToClipboard onClipboard = ToClipboard::nothing;
    bool save = false;
    bool noFolder = false;     // saving was skipped for want of a folder
    bool copyRefused = false;  // the desktop would not take a copy now
    QString baseName;
    std::optional<QByteArray> clipboardPng;
    std::vector<std::optional<QByteArray>> png;  // per capture, for the files
    SavedFiles saved;
    std::vector<FileWriteError> errors;
    std::function<void()> done;
};

namespace {

using ToClipboard = CaptureDelivery::Job::ToClipboard;

struct Encoded {
    std::optional<QByteArray> clipboard;
    std::vector<std::optional<QByteArray>> files;
};

// Worker side. Several captures on the clipboard become one image of the desktop, as an
// X11 clipboard holds one image; the first capture's file and clipboard share one encoding.
Encoded encode(const CaptureList& captures, ToClipboard toClipboard, bool save) {
    auto png = [](const Capture& c) -> std::optional<QByteArray> {
        if (auto bytes = pngData(c.image, c.scale)) return *bytes;
        return std::nullopt;
    };
    Encoded encoded;
    if (save) {
        for (const Capture& capture : captures)
            encoded.files.push_back(png(capture));
    }
    if (toClipboard == ToClipboard::everything && captures.size() > 1) {
        encoded.clipboard = png(desktopImage(captures));
    } else if (toClipboard != ToClipboard::nothing) {
        encoded.clipboard = save ? encoded.files.front() : png(captures.front());
    }
    return encoded;
}

}  // namespace

CaptureDelivery::CaptureDelivery(Services services, EditAction onEdit, PinAction onPin)
    : m_services(services), m_onEdit(std::move(onEdit)), m_onPin(std::move(onPin)) {}

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
    const bool clipboardOnly = settings.copyToClipboard();
    const bool hasFolder = !clipboardOnly && m_services.saveLocation.currentFolder();
    if (clipboardOnly || (settings.alsoCopyToClipboard() && !hasFolder)) {
        job->toClipboard = ToClipboard::everything;
    } else if (settings.alsoCopyToClipboard()) {
        // With a folder, the other displays of a full-screen capture go to files only.
        job->toClipboard = ToClipboard::first;
    }
    if (job->toClipboard == ToClipboard::first && job->captures.size() == 1)
        job->toClipboard = ToClipboard::everything;
    job->save = hasFolder;
    job->noFolder = !clipboardOnly && !hasFolder;

    inBackground(
        m_services.scheduler,
        [captures = job->captures, toClipboard = job->toClipboard, save = job->save] {
            return encode(captures, toClipboard, save);
        },
        [this, job](Encoded encoded) {
            job->clipboardPng = std::move(encoded.clipboard);
            job->png = std::move(encoded.files);
            putOnPasteboard(*job);
            if (job->save) {
                saveFiles(job);
                return;
            }
            // Reached neither a file nor the clipboard: the user must hear of it.
            // A refused copy is told by the preview, which still opens the editor.
            if (job->onClipboard == ToClipboard::nothing) {
                if (job->noFolder) {
                    m_services.alerts.showAlert(saveAlertMessage(), nothingKeptText());
                } else if (!job->copyRefused) {
                    m_services.alerts.showAlert(
                        QStringLiteral("Could Not Copy the Screenshot"),
                        QStringLiteral("The image could not be encoded. The screenshot is not on "
                                       "the clipboard."));
                }
            }
            finish(job);
        });
}

void CaptureDelivery::putOnPasteboard(Job& job) {
    // A capture that could not be encoded is left off; the clipboard keeps what it had.
    if (!job.clipboardPng) return;
    if (!m_services.clipboard.copiesNow()) {
        job.copyRefused = true;
        return;
    }
    m_services.clipboard.setPngImage(*job.clipboardPng);
    job.onClipboard = job.toClipboard;
}

QString CaptureDelivery::clipboardLine(const Job& job) {
    switch (job.onClipboard) {
        case ToClipboard::everything:
            return QStringLiteral("The screenshot is still on the clipboard.");
        case ToClipboard::first:
            return QStringLiteral("The first display's screenshot is still on the clipboard.");
        case ToClipboard::nothing:
            break;
    }
    return QStringLiteral("The screenshot is not on the clipboard.");
}

void CaptureDelivery::saveFiles(std::shared_ptr<Job> job) {
    const auto folder = m_services.saveLocation.currentFolder();
    if (!folder) {
        m_services.alerts.showAlert(
            folderAlertMessage(),
            clipboardLine(*job) + QStringLiteral(" Use \"Save To…\" to choose the folder again."));
        finish(job);
        return;
    }
    struct Written {
        SavedFiles saved;
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
                auto ok = writeFileAtomically(*bytes, path);
                if (!ok) {
                    written.errors.push_back(ok.error());
                    continue;
                }
                // Taken at once, so that a discard later removes this file and nothing
                // put in its place; one replaced already is never matched.
                written.saved.push_back({path, regularFileIdentity(path).value_or(FileIdentity{})});
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
        for (const SavedFile& file : job.saved)
            m_services.desktop.openFile(file.path);
    }
    if (job.errors.empty()) return;
    QString text = job.errors.front().description() + QLatin1Char('\n') + clipboardLine(job);
    if (!job.saved.empty()) {
        text += QStringLiteral(" %1 of %2 files were saved.")
                    .arg(job.saved.size())
                    .arg(job.captures.size());
    }
    m_services.alerts.showAlert(saveAlertMessage(), text);
}

void CaptureDelivery::finish(const std::shared_ptr<Job>& job) {
    const Capture& first = job->captures.front();
    // Only held by the edit action: what was made ready for it goes when the action does.
    std::shared_ptr<void> prepared = m_onEdit && m_prepareEdit && m_services.preview.leavesSoon()
                                         ? m_prepareEdit(first)
                                         : nullptr;
    m_services.preview.show(first.image, first.scale,
                            {.edit =
                                 [onEdit = m_onEdit, first, saved = job->saved, prepared] {
                                     if (onEdit) onEdit(first, saved);
                                 },
                             .pin =
                                 [onPin = m_onPin, first] {
                                     if (onPin) onPin(first);
                                 },
                             .saved = !job->saved.empty(),
                             .copied = job->onClipboard != ToClipboard::nothing,
                             .copyRefused = job->copyRefused});
    if (job->done) job->done();
}

void CaptureDelivery::holdClipboard() {
    const Settings& settings = m_services.settings;
    if (settings.copyToClipboard() || settings.alsoCopyToClipboard())
        m_services.clipboard.holdForImage();
}

void CaptureDelivery::showCaptureError(const CaptureError& error) {
    m_services.alerts.showAlert(captureAlertMessage(), error.description());
}

}  // namespace moxilane
