// The main window's side of the guide command channel: it owns the receiver
// and carries out each guide command on the window (exercise documents and
// their series, scales, lines, dynamic constants, simulated mouse drags).
#pragma once

#include "app/seriestoolbar.h"
#include "automation/guidehost.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QString>

#include <functional>

class TGuideReceiver;
class TLumacurveForm;
class QTimer;

// The steps of a simulated drag between two pixels on a screen of that size: the pixels crossed times 200
// over the screen's width and height, at most maxSteps.
[[nodiscard]] int GuideDragSteps(QPoint start, QPoint end, QSize screen, int maxSteps);

class TGuideLink : public QObject, public TGuideHost {
    Q_OBJECT
public:
    // A simulated drag takes at most this many steps, one each DragStep milliseconds.
    static constexpr int MaxDragSteps = 200;
    static constexpr int DragStep = 50;

    explicit TGuideLink(TLumacurveForm& form);
    ~TGuideLink() override;

    int RunGuideCommand(const TGuideCommand& command) override;
    int RaiseForGuide() override;
    void CloseStartupScreen() override;
    void GuideLinkBroken(const QString& why) override;

    [[nodiscard]] TGuideReceiver* Receiver() const { return receiver_; }
    // Whether the guide wants its messages shown (code 23).
    [[nodiscard]] bool MessagesOn() const { return messages_; }
    // The exercise series being worked through (empty: none) and its answer line (-1: none).
    [[nodiscard]] const QString& SeriesName() const { return series_; }
    [[nodiscard]] int AnswerLine() const { return answerLine_; }
    // Forgets the exercise series (New, Clear curves, its toolbar's Quit) and hides its toolbar.
    void EndSeries();
    // The series' toolbar while a series is worked through (none before the first series).
    [[nodiscard]] TLumatutorseriesDlg* SeriesToolbar() const { return seriesBar_; }
    // A line edit produced an object: while a series is worked through, the
    // answer is checked once the edit has ended.
    void LineEntered();
    // Asks a Yes/No question of the pupil (replaceable for tests); quiet windows answer No.
    std::function<bool(const QString& question)> AskQuestion;

    // Whether a simulated drag is running.
    [[nodiscard]] bool Dragging() const { return dragSteps_ > 0 || dragTimer_ != nullptr; }

private:
    void OpenExercise(const TGuideParameters& fields);
    void StepSeries(int step, bool fromOpen);
    // Shows the series' toolbar with the documents around the current one, or hides it after a series.
    void SeriesChanged();
    [[nodiscard]] QString GuideFolder() const;
    [[nodiscard]] QString ExercisePath(const QString& name) const;
    // Opens a document quietly; answers whether it was read.
    bool OpenQuietly(const QString& path);
    void Warn(const QString& text);
    void NewScaling(const TGuideParameters& fields);
    [[nodiscard]] bool SelectIndex(int index);
    void InsertLine(const TGuideParameters& fields);
    void Family(const TGuideParameters& fields);
    void DynamicConstant(int subCode, const TGuideParameters& fields);
    void StartDrag(int mouseCode, const TGuideParameters& fields);
    void DragStepDone();
    void EndDrag();
    void ChooseMouseTool(int mouseCode);
    void Refresh();
    void CheckAnswer();

    TLumacurveForm& form_;
    TGuideReceiver* receiver_ = nullptr;
    bool messages_ = false;
    QString series_;
    int answerLine_ = -1;
    QPointer<TLumatutorseriesDlg> seriesBar_;
    bool checkPending_ = false;
    // The simulated drag in progress.
    QTimer* dragTimer_ = nullptr;
    QPoint dragStart_, dragEnd_;
    int dragSteps_ = 0;
    int dragStep_ = 0;
};
