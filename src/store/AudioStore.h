#pragma once

#include "analysis/BeatBarAnalysis.h"
#include "analysis/BeatBarAnalyzer.h"
#include "analysis/LocalDSPBeatAnalyzer.h"
#include "buffer/BufferRange.h"
#include "buffer/PCMBuffer.h"
#include "export/LoopExport.h"
#include "export/SliceKit.h"
#include "platform/audio/AudioEngine.h"
#include "platform/decode/Decoders.h"
#include "store/LoadedAudioInfo.h"
#include "store/WaveformDisplayMode.h"
#include "stretch/RubberBandTimeStretcher.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace barquill {

class AppSettings;
class RecentFiles;

// Frame positions in the forward (unreversed) file, even while reversed.
using Frame = int64_t;

// The one document of the application: the loaded file, its decoded audio, the
// output engine, the bar loop, the reverse mirror, the analysis result, the visible
// waveform window and every user-facing status text.
//
// Threads: lives on the GUI thread; every field is read and written there and every
// published change (the NOTIFY signals) happens there. Background jobs (decoding,
// analysis, the mirror build, the transient export) work on copies or on buffers that
// are never written again, and hand their results back with queued calls that pass the
// generation counters first.
//
// Ownership: the store owns every audio buffer (buffer, reversedBuffer) and
// the engine. It does not own the settings or the recent-file list, which the shell
// creates once and keeps for the life of the process.
class AudioStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<QString> fileURL READ fileURL NOTIFY fileURLChanged)
    Q_PROPERTY(std::optional<barquill::LoadedAudioInfo> info READ info NOTIFY infoChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(double currentTime READ currentTime NOTIFY currentTimeChanged)
    Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
    Q_PROPERTY(barquill::WaveformDisplayMode displayMode READ displayMode WRITE setDisplayMode NOTIFY
                   displayModeChanged)
    Q_PROPERTY(float volume READ volume WRITE setVolume NOTIFY volumeChanged)
    Q_PROPERTY(QList<float> viewMonoPeaks READ viewMonoPeaks NOTIFY peaksChanged)
    Q_PROPERTY(QList<float> viewLeftPeaks READ viewLeftPeaks NOTIFY peaksChanged)
    Q_PROPERTY(QList<float> viewRightPeaks READ viewRightPeaks NOTIFY peaksChanged)
    Q_PROPERTY(double viewStart READ viewStart NOTIFY viewStartChanged)
    Q_PROPERTY(double viewLength READ viewLength NOTIFY viewLengthChanged)
    Q_PROPERTY(bool isInteracting READ isInteracting NOTIFY isInteractingChanged)
    Q_PROPERTY(std::optional<barquill::BeatBarAnalysis> analysis READ analysis NOTIFY analysisChanged)
    Q_PROPERTY(bool isAnalyzing READ isAnalyzing NOTIFY isAnalyzingChanged)
    Q_PROPERTY(QString analysisNote READ analysisNote NOTIFY analysisNoteChanged)
    Q_PROPERTY(int gridShiftQuarters READ gridShiftQuarters NOTIFY gridShiftQuartersChanged)
    Q_PROPERTY(bool loopEnabled READ loopEnabled NOTIFY loopEnabledChanged)
    Q_PROPERTY(int loopBars READ loopBars NOTIFY loopBarsChanged)
    Q_PROPERTY(bool isReversed READ isReversed NOTIFY isReversedChanged)
    Q_PROPERTY(bool isReversing READ isReversing NOTIFY isReversingChanged)
    Q_PROPERTY(int slicesPerBar READ slicesPerBar WRITE setSlicesPerBar NOTIFY slicesPerBarChanged)
    Q_PROPERTY(bool isPreviewing READ isPreviewing NOTIFY isPreviewingChanged)
    Q_PROPERTY(std::optional<QString> exportFlash READ exportFlash NOTIFY exportFlashChanged)
    Q_PROPERTY(bool isExportingTransients READ isExportingTransients NOTIFY isExportingTransientsChanged)
    Q_PROPERTY(std::optional<QString> outputNote READ outputNote NOTIFY outputNoteChanged)
    Q_PROPERTY(double matchTempo READ matchTempo NOTIFY matchTempoChanged)

public:
    // Asks the user for an export folder; none when cancelled. The GUI supplies a
    // dialog; tests supply their own answer.
    using FolderChooser = std::function<std::optional<QString>()>;

    // `engine` defaults to the real output device; tests pass the offline renderer.
    AudioStore(AppSettings* settings, RecentFiles* recentFiles, std::unique_ptr<AudioEngine> engine = nullptr,
               QObject* parent = nullptr);
    ~AudioStore() override;

    // ---- published fields ----
    const std::optional<QString>& fileURL() const { return fileURL_; }
    const std::optional<LoadedAudioInfo>& info() const { return info_; }
    bool isLoading() const { return isLoading_; }
    const std::optional<QString>& errorMessage() const { return errorMessage_; }
    bool isPlaying() const { return isPlaying_; }
    double currentTime() const { return currentTime_; }
    double duration() const { return duration_; }
    WaveformDisplayMode displayMode() const { return displayMode_; }
    float volume() const { return volume_; }
    const QList<float>& viewMonoPeaks() const { return viewMonoPeaks_; }
    const QList<float>& viewLeftPeaks() const { return viewLeftPeaks_; }
    const QList<float>& viewRightPeaks() const { return viewRightPeaks_; }
    double viewStart() const { return viewStart_; }
    double viewLength() const { return viewLength_; }
    bool isInteracting() const { return isInteracting_; }
    const std::optional<BeatBarAnalysis>& analysis() const { return analysis_; }
    bool isAnalyzing() const { return isAnalyzing_; }
    const QString& analysisNote() const { return analysisNote_; }
    int gridShiftQuarters() const { return gridShiftQuarters_; }
    bool loopEnabled() const { return loopEnabled_; }
    int loopBars() const { return loopBars_; }
    bool isReversed() const { return isReversed_; }
    bool isReversing() const { return isReversing_; }
    int slicesPerBar() const { return slicesPerBar_; }
    bool isPreviewing() const { return isPreviewing_; }
    const std::optional<QString>& exportFlash() const { return exportFlash_; }
    bool isExportingTransients() const { return isExportingTransients_; }
    // A passing remark on the audio output for the status bar (the chosen device is missing and
    // the system default plays); it clears itself after a few seconds.
    const std::optional<QString>& outputNote() const { return outputNote_; }
    // The "Match tempo" target in BPM; 0 when off.
    double matchTempo() const { return matchTempo_; }

    // Read access for preview, export and tests.
    const PCMBufferPtr& buffer() const { return buffer_; }
    const PCMBufferPtr& reversedBuffer() const { return reversedBuffer_; }
    // The loop as the player plays it: a range of the buffer, or of the mirror while reversed
    // (so its first frame is the loop's last). Empty while no loop is cut.
    const BufferRange& loopPlayRange() const { return loopPlay_; }
    Frame pausedFrame() const { return pausedFrame_; }
    Frame playAnchorFrame() const { return playAnchorFrame_; }
    Frame loopStartFrame() const { return loopStartFrame_; }
    Frame loopFrames() const { return loopFrames_; }
    Frame loopTailFrames() const { return loopTailFrames_; }
    Frame playStartFrame() const { return playStartFrame_; }
    int64_t lastLoopPass() const { return lastLoopPass_; }
    int loopStartBar() const { return loopStartBar_; }
    bool looping() const { return looping_; }
    // The loop pass as scheduled: the stretched loop when one is playing, else the loop's range.
    const BufferRange& passRange() const { return passRange_; }
    // True while a stretched loop is being rendered for the current loop and target.
    bool isStretching() const { return stretching_; }
    AudioEngine& engine() { return *engine_; }
    AppSettings* settings() const { return settings_; }

    // ---- simple setters (toolbar) ----
    void setDisplayMode(WaveformDisplayMode mode);
    // Applies the level to the output at once.
    void setVolume(float volume);
    void setSlicesPerBar(int slices);
    // The alert's dismissal clears the message.
    void clearErrorMessage();
    // The shell's own message (an unsupported dropped file) goes through the same channel.
    void showError(const QString& message) { setErrorMessage(message); }

    // ---- loading ----
    static const QStringList& acceptedExtensions();
    // Cancels any running load and starts loading `path`.
    void open(const QString& path);
    void connectPlayer(const AudioFormat& format);

    // ---- transport ----
    void play();
    void pause();
    void pauseInPlace();
    void stop();
    void togglePlay();
    void goToStart();
    void seek(double seconds, bool exact);
    Frame currentFrame() const;
    std::optional<int64_t> playerSampleTime() const;
    // Run by the 1/30 s position clock.
    void clockTick();

    // ---- bar loop ----
    void setLoopEnabled(bool on);
    void setLoopBars(int bars);
    void moveLoop(int by);
    // Cuts the loop at loopStartBar (the whole file without bars) as a range of the buffer or
    // the mirror; no samples are copied. False when no loop can be cut.
    bool buildLoopRange();
    void scheduleLoop(Frame fromOffset);
    std::optional<std::pair<double, double>> loopRange() const;

    // ---- tempo match ----
    // 0 turns it off; other values are clamped into 40…300 BPM, with a note when they had to be.
    // The loop is stretched again on a worker and plays at the new tempo from its next pass.
    void setMatchTempo(double bpm);
    // The detected tempo times `factor` (½ or 2) as the target.
    void matchDetectedTempo(double factor);

    // ---- reverse ----
    void toggleReverse();
    void applyReverse(bool wasPlaying);
    PCMBufferPtr mirrorBuffer();

    // ---- analysis ----
    void startAnalysis();
    void shiftGrid(int by);
    void resetGridShift();
    std::optional<double> quarterBarSeconds() const;
    std::vector<Bar> effectiveBars() const;
    std::vector<double> effectiveBeats() const;
    std::vector<double> effectiveDownbeats() const;
    int barIndexAt(double seconds) const;
    std::optional<double> nearestDownbeat(double seconds) const;
    void updateAnalysisNote();

    // ---- peaks and view window ----
    void recomputePeaks();
    void zoom(double factor, double anchor);
    void pan(double by);
    void dragPan(double to);
    void zoomToFit();
    double timeAtFraction(double fraction) const;
    double fractionOfTime(double seconds) const;
    double minViewLength() const;
    void beginInteraction();
    // The input layer grabs (pointer fraction, viewStart) when a right-drag begins and clears it at the end.
    void beginDragPan(double fraction);
    void endDragPan();

    // ---- slice preview ----
    void togglePreview();
    void startPreview();
    void endPreview();
    // Plays a built preview of the bar starting at `startFrame`, the playhead waiting there.
    void playPreview(PCMBufferPtr preview, int64_t startFrame, double barStartSeconds);

    // ---- output device ----
    // Shows the output note when the chosen device is not among those present (the engine plays
    // the system default meanwhile). Lists the devices off the GUI thread; the answer arrives later.
    void checkOutputDevice();

    // ---- export ----
    void exportSlices();
    // Writes the loop range as one WAV: the active loop, or the bars L would loop from the
    // playhead's bar, or the whole file without bars; reverse, nudge and export settings apply.
    void exportLoop();
    // The loop export of the current state, without its folder; none without audio.
    std::optional<LoopExportJob> loopExportJob() const;
    // Writes the loop as a WAV into the cache folder for dragging into another application;
    // the file's path, or none after publishing the error.
    std::optional<QString> writeLoopForDrag();
    // Writes the playhead's bar, or the whole loop while looping, as slice WAVs with an .sfz, an
    // .sf2 and a .mid pattern beside them; the whole file when there are no bars.
    void exportSliceKit();
    // The slice kit of the current state, without its folder; none without audio.
    std::optional<SliceKitJob> sliceKitJob() const;
    // With a target tempo (matchTempo for the store's own exports): the job's audio rendered now at the
    // target and the export rate, and the target as its tempo. The export failure when that cannot be had
    // ("Export failed: … Nothing was written."), and the job untouched. Nothing changes without a target or
    // without bars.
    std::optional<QString> stretchLoopJob(LoopExportJob& job, double targetBPM) const;
    // The same for a slice kit: its bars as one stretched loop, each bar's slices cut at their
    // stretched boundaries.
    std::optional<QString> stretchKitJob(SliceKitJob& job, double targetBPM) const;
    void exportTransients();
    void flashExport(const QString& text);
    void setFolderChooser(FolderChooser chooser) { folderChooser_ = std::move(chooser); }
    std::optional<QString> chooseExportFolder();

signals:
    void fileURLChanged();
    void infoChanged();
    void isLoadingChanged();
    void errorMessageChanged();
    void isPlayingChanged();
    void currentTimeChanged();
    void durationChanged();
    void displayModeChanged();
    void volumeChanged();
    void peaksChanged();
    void viewStartChanged();
    void viewLengthChanged();
    void isInteractingChanged();
    void analysisChanged();
    void isAnalyzingChanged();
    void analysisNoteChanged();
    void gridShiftQuartersChanged();
    void loopEnabledChanged();
    void loopBarsChanged();
    void isReversedChanged();
    void isReversingChanged();
    void slicesPerBarChanged();
    void isPreviewingChanged();
    void exportFlashChanged();
    void isExportingTransientsChanged();
    void outputNoteChanged();
    void matchTempoChanged();

private:
    // Setters that emit only on a real change.
    void setFileURL(std::optional<QString> value);
    void setInfo(std::optional<LoadedAudioInfo> value);
    void setIsLoading(bool value);
    void setErrorMessage(std::optional<QString> value);
    void setIsPlaying(bool value);
    void setCurrentTime(double value);
    void setDuration(double value);
    void setPeaks(QList<float> mono, QList<float> left, QList<float> right);
    void setViewStart(double value);
    void setViewLength(double value);
    void setIsInteracting(bool value);
    void setAnalysis(std::optional<BeatBarAnalysis> value);
    void setIsAnalyzing(bool value);
    void setAnalysisNote(const QString& value);
    void setGridShiftQuarters(int value);
    void setLoopEnabledField(bool value);
    void setLoopBarsField(int value);
    void setIsReversed(bool value);
    void setIsReversing(bool value);
    void setIsPreviewing(bool value);
    void setExportFlash(std::optional<QString> value);
    void setIsExportingTransients(bool value);
    void setOutputNote(std::optional<QString> value);

    // The engine's reports, on the GUI thread. A failure while sound plays stops it where it is
    // (the playhead stays) and shows the message; the next play tries the device again.
    void outputFailed(const QString& message);
    void showOutputNote(const QString& note);
    // Hands the engine its handlers and the chosen device, and follows the setting.
    void connectOutputDevice();

    // Rebuilds the loop after a change of bars, nudge or analysis; `parkWhenPaused` moves a
    // paused playhead into the new loop.
    void refreshLoop(bool parkWhenPaused);
    // Stops the player and plays the loop from its start (the player was running).
    void restartLoop();
    // Cuts the loop again: off when that fails, restarted at once when playing. True when the
    // store is paused with a new loop, so the caller decides where the playhead parks.
    bool rebuildLoopWhilePaused();
    // Schedules the mirror from forward frame p (playback runs towards 0); false with the
    // message shown when no mirror can be had.
    bool scheduleReversedFrom(Frame p);
    // Schedules the buffer from frame f to its end.
    void scheduleForwardFrom(Frame f);
    double sampleRate() const;
    Frame frameLength() const;

    // Settings, or their defaults when the store runs without them.
    bool snapToBarSetting() const;
    bool startWithLoopSetting() const;
    int64_t waveformResolutionSetting() const;
    // sliceFadeMs in seconds, for the preview and both exports.
    double sliceFadeSeconds() const;
    // exportBitDepth and exportSampleRate, for both exports.
    int exportBitDepthSetting() const;
    double exportSampleRateSetting() const;
    // The stored export folder, else the chooser's answer; none when cancelled.
    std::optional<QString> exportFolder();
    // Ends a running preview first, then as exportFolder().
    std::optional<QString> folderForExport();

    // Starts rendering the current loop at the target on a worker, unless it is there already;
    // drops a stretched loop that no longer applies.
    void requestStretchedLoop();
    void startStretchJob();
    // The loop offset (as stored, like scheduleLoop's) under the sound now.
    Frame currentLoopOffset() const;
    // At a pass boundary: reschedules so the newest pass plays from here on.
    void switchLoopPass();
    // `bars` bars of loop audio at the export rate and the target tempo, or why not, phrased as an
    // export failure ("Export failed: … Nothing was written.").
    std::variant<PCMBufferPtr, QString> stretchForExport(const PCMBufferPtr& audio, int bars,
                                                         double targetBPM) const;

    // Results of background jobs, back on the GUI thread; each passes its token or generation.
    void finishLoad(uint64_t token, const QString& path, DecodeResult result);
    void applyAnalysisOutcome(int64_t generation, AnalysisOutcome outcome);
    void applyMirror(int64_t generation, PCMBufferPtr mirror);
    void applyStretchedLoop(int64_t generation, BufferRange source, double target, StretchOutcome outcome);
    // Pauses or stops, sets the direction, cuts the loop again when one is on and plays on when
    // `wasPlaying`.
    void switchDirection(bool reversed, bool wasPlaying);

    AppSettings* settings_ = nullptr;
    RecentFiles* recentFiles_ = nullptr;
    std::unique_ptr<AudioEngine> engine_;
    FolderChooser folderChooser_;

    // Published.
    std::optional<QString> fileURL_;
    std::optional<LoadedAudioInfo> info_;
    bool isLoading_ = false;
    std::optional<QString> errorMessage_;
    bool isPlaying_ = false;
    double currentTime_ = 0;
    double duration_ = 0;
    WaveformDisplayMode displayMode_ = WaveformDisplayMode::mono;
    float volume_ = 0.9f;
    QList<float> viewMonoPeaks_, viewLeftPeaks_, viewRightPeaks_;
    double viewStart_ = 0;
    double viewLength_ = 0;
    bool isInteracting_ = false;
    std::optional<BeatBarAnalysis> analysis_;
    bool isAnalyzing_ = false;
    QString analysisNote_ = QStringLiteral("Drop audio to start — bar detection runs automatically");
    int gridShiftQuarters_ = 0;
    bool loopEnabled_ = false;
    int loopBars_ = 1;
    bool isReversed_ = false;
    bool isReversing_ = false;
    int slicesPerBar_ = 8;
    bool isPreviewing_ = false;
    std::optional<QString> exportFlash_;
    std::optional<QString> outputNote_;
    int64_t outputNoteGen_ = 0;
    bool isExportingTransients_ = false;

    // Internal.
    QTimer* interactTimer_ = nullptr; // the pending job that clears isInteracting
    PCMBufferPtr buffer_;
    Frame playStartFrame_ = 0;
    Frame playAnchorFrame_ = 0;
    int64_t lastLoopPass_ = -1;
    Frame pausedFrame_ = 0;
    QTimer* timer_ = nullptr; // the 1/30 s position clock
    uint64_t loadToken_ = 0;  // the running load job; a newer open() cancels older ones
    LocalDSPBeatAnalyzer beatAnalyzer_{70, 180, 4};
    int64_t analysisGen_ = 0;
    std::optional<std::pair<double, double>> panAnchor_; // (fraction, start)
    BufferRange loopPlay_;
    bool looping_ = false;
    Frame loopStartFrame_ = 0;
    Frame loopFrames_ = 0;
    Frame loopTailFrames_ = 0;
    int loopStartBar_ = 0;
    int loopBarCount_ = 0; // bars in the loop; 0 for the whole file
    // Loop passes: what scheduleLoop played, how long one pass of it is, where it started in it.
    BufferRange passRange_;
    Frame passFrames_ = 0;
    Frame passStartOffset_ = 0;
    // The loop at the target: stretchedLoop_ was rendered from the loop range stretchedSource_.
    double matchTempo_ = 0;
    RubberBandTimeStretcher stretcher_;
    PCMBufferPtr stretchedLoop_;
    BufferRange stretchedSource_;
    double stretchedTempo_ = 0;
    int64_t stretchGen_ = 0;
    QFuture<StretchOutcome> stretchJob_; // the render under way, if any
    bool stretching_ = false;
    bool passSwitchPending_ = false; // a newer pass waits for the next pass boundary
    PCMBufferPtr reversedBuffer_;
    int64_t reverseGen_ = 0;
    Frame previewReturnFrame_ = 0;
    double previewReturnTime_ = 0;
    int64_t previewGen_ = 0;
    int64_t exportFlashGen_ = 0;
    std::optional<AudioFormat> connectedFormat_; // connectedChannels / connectedSampleRate
};

} // namespace barquill

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(std::optional<barquill::LoadedAudioInfo>)
Q_DECLARE_METATYPE(std::optional<barquill::BeatBarAnalysis>)
