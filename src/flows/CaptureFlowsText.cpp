#include "capture/CaptureEngine.h"
#include "flows/CaptureFlows.h"

namespace moxilane {

namespace {
using Kind = TextOutcome::Kind;
}  // namespace

void CaptureFlows::startTextCapture() {
    captureTextFor([](const TextOutcome&) {});
}

void CaptureFlows::captureTextFor(TextAnswer answer) {
    const bool busy = m_captureFlowActive;
    if (!passStartGuard()) {
        return answer({Kind::Failed, busy ? QStringLiteral("another capture is in progress")
                                          : QStringLiteral("screen capture is not permitted")});
    }
    holdForSelection();
    // As for an area, but the flow's own steps: each way out answers the command.
    inBackground(
        m_services.scheduler, [this] { return snapshotDisplays(); },
        [this, answer = std::move(answer)](auto snapshots) {
            if (!snapshots) {
                answer({Kind::Failed, snapshots.error().description()});
                return failBeforeAlert(snapshots.error());
            }
            if (escapedBeforeShowing()) {
                endFlow();
                return answer({Kind::Cancelled, {}});
            }
            if (!m_ui.regionSelector || !m_ui.textReader) {
                endFlow();
                return answer({Kind::Failed, QStringLiteral("text capture is not available")});
            }
            m_ui.regionSelector->begin(
                textHint(), *snapshots,
                [this, snapshots = *snapshots, answer](std::optional<RegionSelection> selection) {
                    finishTextSelection(selection, snapshots, answer);
                });
        });
}

void CaptureFlows::finishTextSelection(const std::optional<RegionSelection>& selection,
                                       const SnapshotMap& snapshots, const TextAnswer& answer) {
    releaseSelectionHolds();
    // Reading runs beside later captures, which stop it: the flow ends here.
    endFlow();
    if (!selection) return answer({Kind::Cancelled, {}});
    const auto snapshot = snapshots.find(selection->screen.displayID);
    std::optional<QImage> image;
    if (snapshot != snapshots.end())
        image = CaptureEngine::crop(snapshot->second, selection->rectGlobal, selection->screen);
    if (!image) {
        return answer(
            {Kind::Failed, QStringLiteral("the selected area is not on a captured screen")});
    }
    readText(*image, answer);
}

void CaptureFlows::readText(const QImage& image, const TextAnswer& answer) {
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_textCancel = cancel;
    inBackground(
        m_services.scheduler,
        [reader = m_ui.textReader, image, languages = m_services.settings.textLanguages(), cancel] {
            return reader->read(image, languages, *cancel);
        },
        [this, cancel, answer](std::expected<QString, TextReadError> text) {
            if (m_textCancel == cancel) m_textCancel.reset();
            ++m_textReadings;
            releaseTextEngineWhenIdle();
            if (*cancel) return answer({Kind::Cancelled, {}});
            finishTextReading(text, answer);
        });
}

void CaptureFlows::finishTextReading(const std::expected<QString, TextReadError>& text,
                                     const TextAnswer& answer) {
    if (!text) {
        answer({Kind::Failed, text.error().message});
        m_services.alerts.showAlert(QStringLiteral("Cannot Read Text"), text.error().message);
        return;
    }
    if (text->isEmpty()) {
        // The clipboard keeps what it held.
        if (m_ui.textPresenter) m_ui.textPresenter->showNoText();
        return answer({Kind::NoText, {}});
    }
    // Where the desktop refuses a copy now, the note says so; its window's Copy still works.
    const bool copied = m_ui.clipboard && m_ui.clipboard->copiesNow();
    if (copied) m_ui.clipboard->setText(*text);
    if (m_ui.textPresenter) m_ui.textPresenter->showText(*text, copied);
    answer({Kind::Text, *text});
}

void CaptureFlows::releaseTextEngineWhenIdle() {
    m_services.scheduler.postAfter(kTextEngineIdle, [this, readings = m_textReadings] {
        if (readings != m_textReadings || m_textCancel) return;  // used since
        m_services.scheduler.runInBackground([reader = m_ui.textReader] { reader->release(); },
                                             [] {});
    });
}

void CaptureFlows::cancelTextReading() {
    if (m_textCancel) *m_textCancel = true;
}

}  // namespace moxilane
