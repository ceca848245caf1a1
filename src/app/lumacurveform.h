// TLumacurveForm: the main window, the application shell. It builds the
// menus, toolbars, keypad and popup menu from the command table, arranges the
// dock panels, runs the status line and its time-out, the deferred start-up,
// whiteboard mode, pictures on the clipboard and printing, the document name
// and caption rules, safe saving, and the window messages other parts of the
// program send it. Helper functions for the command line and document names
// are declared here too, so that tests can check them without a window.
#pragma once

#include "app/commands.h"
#include "automation/automationhost.h"
#include "docking/docksitewindow.h"
#include "document/undohistory.h"
#include "platform/mainwindowbase.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>

class QAction;
class TCurvePLotter;
class QLabel;
class TAnnotation;
class TAutomationServer;
struct TAnnotationRecord;
class TCommentary;
struct TCommentaryRecord;
class QMenu;
class QPrinter;
class QScrollArea;
class QScrollBar;
class QTimer;
class QToolButton;
class QDockWidget;
class TDeclaredConstantEditor;
class TDocument;
enum class TReadResult;
class TDynamicConstantEquation;
class TGraphParams;
class TGraphWindow;
class TEquationObject;
class TOwnedLines;
enum class TClickedCurve;
class TEquationsWindow;
class THelpWindow;
class TKeyboardInterrupt;
class TStartupWindow;
class TShapeWork;
class TStatsWork;
class TTransformation;
enum class TTransformCommand;

// The program's name, as captions and message boxes show it.
inline constexpr const char* ProgramName = "Lumacurve";
// The status line's first text, and its text after New.
inline constexpr const char* StartText = "Type in any equation, e.g. x+y=1";

// How the program was started.
struct TStartOptions {
    QStringList arguments;          // the command line without the program's name
    bool automation = false;        // started by the automation server: small window, no start-up screen
    bool screenshot = false;        // no start-up screen and no message boxes
    bool quiet = false;             // message boxes' texts go to standard error instead (screenshots, tests)
    bool timings = false;           // print the start-up phases to standard error
    bool noDefaultDocument = false; // tests: start empty instead of opening the default document
};

// What the command line asks to open.
struct TCommandLineDocument {
    QString path; // empty: none
    bool guideHelp = false;
};
// The document named by the arguments: the first argument that is not an
// option, surrounding quotes removed, ".lcv" added when it has no extension;
// ".ltg" (any letter case) marks guide help.
[[nodiscard]] TCommandLineDocument CommandLineDocument(const QStringList& arguments);
// The document name of a file: without folder and ".lcv"; "Lumacurve" (any case) counts as none.
[[nodiscard]] QString DocumentNameOf(const QString& path);
// The window caption for a document name.
[[nodiscard]] QString CaptionFor(const QString& documentName);
// True when the data starts with a document header line.
[[nodiscard]] bool HasDocumentHeader(const QByteArray& data);
// Where the default document is: the user's data folder, else the shipped one.
[[nodiscard]] QString DefaultDocumentPath();
// A Window record's placement made sound: fractions outside (0, 1] for width
// and height are ignored (the current size stays), left and top are clamped
// into [0, 1), and the rectangle is kept on the available screen area.
[[nodiscard]] QRect PlacementRect(double left, double width, double top, double height, const QRect& screen,
                                  const QRect& current);

class TLumacurveForm : public TDockSiteWindow, public TMainWindowBase, public TAutomationHost {
    Q_OBJECT
public:
    static constexpr int StatusTimeout = 15000;
    static constexpr int ScrollRecentre = 5000;

    explicit TLumacurveForm(TStartOptions options = {}, QWidget* parent = nullptr);
    ~TLumacurveForm() override;

    // Lower layers' requests.
    void UndoPostAction() override;
    void LineDragged() override;
    void LineRewritten() override;
    // "Area" on a curve: begins the line "Area from " with an empty start
    // field and the mode that places the start with the mouse; false when
    // the selected line is not a curve with tangents.
    bool StartAreaFunction();
    // A selected differential equation puts the graph into mode 212, and
    // leaving it ends that mode (any other mode is kept).
    void SetSelectionMouseMode(int code);
    void ClearFamily(std::string_view name) override;
    void ShowStatus(std::string_view text, bool beep = false, bool timeout = false) override;
    void ShowWarning(std::string_view text) override;
    // The status line with flags: bit 0 beeps, bit 1 clears the text after 15 seconds.
    void ShowStatusFlags(const QString& text, int flags);
    [[nodiscard]] int LastStatusFlags() const { return lastStatusFlags_; }
    // The text of the last message box (shown or, when quiet, written to standard error).
    [[nodiscard]] QString LastMessage() const { return lastMessage_; }

    [[nodiscard]] TCommandList& Commands() { return *commands_; }
    [[nodiscard]] QLabel* MessageLabel() const { return messageLabel_; }
    [[nodiscard]] QLabel* MousePosition() const { return mousePosition_; }
    [[nodiscard]] QTimer* MessageTimer() const { return messageTimer_; }
    [[nodiscard]] QTimer* ScrollBarTimer() const { return scrollBarTimer_; }
    [[nodiscard]] QMenu* GraphPopup() const { return graphPopup_; }
    [[nodiscard]] THelpWindow* HelpWindow();
    // Opens help at a topic number (0: the contents).
    void ShowHelp(int topic = 0) override;

    // The start-up has finished (the document is open and the accuracy measured).
    [[nodiscard]] bool Started() const { return started_; }
    // The phases of the start-up with their times in milliseconds.
    [[nodiscard]] const std::vector<std::pair<QString, qint64>>& Timings() const { return timings_; }
    // Records a start-up phase (printed with --timings).
    void Mark(const QString& phase);

    // Document state.
    [[nodiscard]] QString DocumentName() const { return DocumentNameOf(documentPath_); }
    [[nodiscard]] QString DocumentPath() const { return documentPath_; }
    [[nodiscard]] bool Modified() const { return modified_; }
    void SetModified(bool modified);
    // Asks "Should I save the curves?" when something is modified; false when the user cancels or the save
    // fails.
    bool AskToSave();
    // New (reset scales) or Clear curves.
    void ClearAll(bool resetScales);
    // Opens a document or guide help file, reporting failures; answers whether it was read. result,
    // when given, tells how reading the file ended (Document when it could not be read at all).
    bool OpenFile(const QString& path, TReadResult* result = nullptr);
    // Saves to the path (asking for one when empty); answers whether it was saved.
    bool SaveDocument(const QString& path = {});
    // The document being shown (its lines are the equation lines until the equations window holds them).
    [[nodiscard]] TDocument& Document() { return *document_; }
    // The scales of the graph.
    [[nodiscard]] TGraphParams& GraphParams();
    // The undo history of the equations list.
    [[nodiscard]] const TUndoHistory& UndoHistory() const { return undo_; }
    // The equations window and the index of its selected line (-1: none).
    [[nodiscard]] TEquationsWindow* Equations() const { return equations_; }
    [[nodiscard]] int SelectedLine() const;
    // Replaces the equation lines by those of a snapshot (Undo and Redo).
    void RestoreSnapshot(const std::string& snapshot);

    // Pictures: what to copy.
    enum class TPictureArea { Screen, Graphs, Equations };
    // Puts SVG and PNG of the same drawing on the clipboard; false when there is nothing to draw.
    bool CopyPicture(TPictureArea area);
    // The picture of an area Copy puts on the clipboard, as SVG and as an image (at twice the
    // resolution, or at the ratio given); empty when there is nothing to draw.
    [[nodiscard]] QByteArray PictureSvg(TPictureArea area);
    [[nodiscard]] QImage PictureImage(TPictureArea area, qreal pixelRatio = 2);
    // Draws the area on any paint device scaled into the target rectangle.
    void DrawArea(TPictureArea area, QPainter& painter, const QRectF& target);
    // The size on screen of what a picture of the area shows.
    [[nodiscard]] QSize AreaSize(TPictureArea area) const;
    // A message box with the program's name (when quiet, the text goes to standard error).
    void Inform(const QString& text, int icon, int helpTopic = 0) { Message(text, icon, helpTopic); }
    // True when no message box or file dialog is shown (screenshots, tests).
    [[nodiscard]] bool Quiet() const { return options_.quiet; }
    // Prints the page as the print preview shows it (the one page drawing).
    bool Print(QPrinter& printer);

    // Whiteboard mode.
    void SetWhiteboard(bool on);
    [[nodiscard]] bool Whiteboard() const { return whiteboard_; }
    // The present arrangement (toolbars, equations font, background colour).
    [[nodiscard]] TArrangement CurrentArrangement() const;
    void ApplyArrangement(const TArrangement& arrangement);
    // The stored whiteboard preferences, when any.
    [[nodiscard]] static std::optional<TArrangement> StoredWhiteboardPreferences();
    void StoreWhiteboardPreferences();
    static void StoreWhiteboardPreferences(const TArrangement& arrangement);
    static void ForgetWhiteboardPreferences();

    // The commentary panel's contents (the "Introduction").
    [[nodiscard]] class TCommentary* Commentary() const { return commentary_; }
    // Shows the commentary panel, editable (Custom > Introduction).
    void ShowIntroduction();

    // The equations panel's area and the graph area.
    [[nodiscard]] QWidget* EquationsArea() const;
    [[nodiscard]] TGraphWindow* GraphArea() const;
    // The maths editor with the focus, else the equations window (shown and focused).
    [[nodiscard]] QWidget* ActiveMathsWindow();
    // Types keypad text into the active maths editor.
    void TypeKeys(const QString& text);
    // Re-applies the command enabling rules now.
    void UpdateCommands();
    // The toolbar chooser with "Text beside icons" below it.
    QMenu* createPopupMenu() override;
    // False when the document named on the command line could not be read at all.
    [[nodiscard]] bool OpenedCleanly() const { return !openFailed_; }
    // The guide help file, when one is loaded.
    [[nodiscard]] QString GuideHelpFile() const { return guideHelp_; }
    // The points and shapes part: coordinate editor, coordinate list, shape commands.
    [[nodiscard]] TShapeWork* Shapes() const { return shapes_; }
    [[nodiscard]] TStatsWork* Stats() const { return stats_; }
    // Shows the window as a start shows it: maximised for an ordinary start,
    // at the size it has for --screenshot and automation.
    void ShowForStart();
    // The guide command channel's side in this window, when it has one.
    [[nodiscard]] class TGuideLink* GuideLink() const { return guideLink_; }

    // The dynamic constant editor: made when it does not exist (on constant,
    // or on the first dynamic constant) and shown; freed by closing.
    void OpenDynamicConstantEditor(const TDynamicConstantEquation* constant = nullptr);
    void FreeDynamicEditor();
    [[nodiscard]] TDeclaredConstantEditor* DynamicEditor() const;
    // The selected line when it is a dynamic constant, else nullptr.
    [[nodiscard]] TDynamicConstantEquation* SelectedDynamicConstant() const;

    // The automation server on this window (a child object), and what it asks of the window.
    [[nodiscard]] TAutomationServer* Automation() const { return automation_; }
    [[nodiscard]] std::string AutomationText() override;
    bool PutAutomationText(std::string text, bool modified) override;
    [[nodiscard]] bool AutomationModified() const override;
    TAutomationRead OpenAutomationFile(const QString& path, QString& message) override;
    bool SaveAutomationFile(const QString& path, QString& message) override;
    bool AskAutomationSave() override { return AskToSave(); }
    [[nodiscard]] QString AutomationFile() const override { return documentPath_; }
    [[nodiscard]] QWidget* AutomationWindow() override { return this; }
    void ShowAutomationWindow() override;
    [[nodiscard]] QByteArray AutomationPicture(const QString& format) override;

signals:
    // The deferred start-up has finished.
    void StartupFinished();

protected:
    // Asks "Should I save the curves?"; answers QMessageBox::Yes, No or Cancel.
    virtual int SaveQuestion();
    // The save dialog opened at suggested; answers the name chosen, or an
    // empty text when the user cancels (always, when quiet).
    virtual QString AskSaveFileName(const QString& suggested);
    // Asks whether the equations panel may close; true for Yes.
    virtual bool ConfirmClosingEquations();
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class TShapeWork;
    friend class TStatsWork;
    friend class TGuideLink;
    void BuildCommands();
    void BuildMenus();
    void BuildToolbars();
    void BuildKeypad();
    void BuildPopup();
    void BuildStatusLine();
    void BuildPanels();
    // The command handlers, a function for each menu (each in a file of its own but Help's).
    void RegisterFileHandlers();
    // Save as, Recent documents, Export picture and Help > Examples.
    void RegisterExtraFileHandlers();
    void RegisterEditHandlers();
    void RegisterZoomHandlers();
    void RegisterInsertHandlers();
    void RegisterCustomHandlers();
    void RegisterHelpHandlers();
    // The commands that open dialogs (scales, comments, curve style, printing, settings).
    void RegisterDialogHandlers();
    void RescaleDialog();
    void ArrangeScaleList();
    // After a scale dialog: the graph-paper check, the scale-list commands, the modified flag.
    void ScaleDialogClosed(bool changed);
    // Comment boxes: the command, the dialog, and the document's records.
    void CommentBox();
    void EditAnnotation(TAnnotation& annotation);
    void LoadAnnotations(const std::vector<TAnnotationRecord>& records);
    // The Custom curve dialog for a line of the equations window.
    void CustomiseCurve(TEquationObject* line);
    // The Custom dialog: the settings, the scale factors and the lock.
    void CustomDialog();
    // The commentary: made at creation, emptied before a read, read, captured.
    void BuildCommentary();
    void ResetCommentary();
    void ReadCommentary(const std::optional<TCommentaryRecord>& record);
    [[nodiscard]] std::optional<TCommentaryRecord> CommentaryRecord() const;
    [[nodiscard]] std::vector<TAnnotationRecord> AnnotationRecords() const;
    void RegisterDynamicHandlers();
    void RegisterLineHandlers();
    // Adds the gradient function of the selected curve or the direction
    // field of the selected differential equation, as entered lines.
    void AddDerivedLine(int description, std::uint32_t property);
    void RegisterTransformHandlers();
    // Starts a transformation line of the selected object; a complete one is entered at once.
    void StartTransformLine(const std::string& markup, bool complete);
    // Opens the dialog of a transformation command for the selected line;
    // false when the command has none (it then starts a line to type).
    // With dragging on: a translation by (0, 0), or a rotation or enlargement
    // waiting for a click to place its centre, of the selected object, made
    // at once to be dragged; false when the command has no such form.
    bool StartDraggedTransform(TTransformCommand command);
    // "New line", "New quadratic", "New circle": a curve waiting for its
    // points to be clicked on the graph, put last and selected.
    // A new curve waiting for its clicks; a point on the graph given is its first.
    void StartClickedCurve(TClickedCurve kind, std::optional<QPoint> firstPoint = std::nullopt);
    // Ends a drag under way, its change recorded as a step (before Undo or Redo).
    void FinishDragFirst();
    // The popup's transform handles (6 to 9) or equation form (12 to 14) for the line under the mouse.
    void PopupTransformDrag(int mode);
    bool OpenTransformDialog(TTransformCommand command);
    // Puts a dialog's step into line (a new line of parent when null) and
    // enters it; answers the transformation now standing, or nullptr.
    TTransformation* ApplyTransformStep(TCurvePLotter* parent, TTransformation* line,
                                        const std::string& step);
    // Starts the line of a placing command (401 to 403, 406 to 408, 411 to 413)
    // and puts the graph window into its mode.
    void StartPlacingLine(int code);
    // Fills the line being edited with the field a placing tool chose and enters it.
    void PlaceLine(int code, TCurvePLotter* parent, const std::string& field);
    // Shows the field a placing tool would place in the line being edited.
    void ShowPlacingField(int code, TCurvePLotter* parent, const std::string& field);
    // Chooses the pair of curves under point for "Intersect"; false when
    // there are not two, or neither can measure distance.
    bool ChooseIntersectPair(QPoint point);
    // Adds the line listing where the chosen pair crosses, under its primary curve.
    void AddIntersection();
    // The dynamic constant editor around changes of the lines: its period
    // ends before lines are replaced, it follows the new lines afterwards.
    void EndDynamicPeriod();
    void RefillDynamicEditor();
    void ReopenDynamicEditor();
    void DynamicSelectionChanged(TEquationObject* object, bool selected);
    [[nodiscard]] bool EditingDynamicConstant() const;
    void FamilyCommand();
    void DeferredStartup();
    void MeasureAutomaticAccuracy();
    void ShowStartupScreen();
    void ApplyPlacement(const class TPlacementEvent& placement);
    // The widget an area is drawn from and the rectangle of it that the picture shows.
    QWidget* AreaSource(TPictureArea area, QRect& sourceRect) const;
    void SetDocumentPath(const QString& path);
    void UpdateCaption();
    void Message(const QString& text, int icon, int helpTopic = 0);
    void WhiteboardSettings();
    // Projector legibility on or off (the shading, new curves' colours and thickness).
    void SetHighContrast(bool on);
    // Moves the floating keypad beside the graph when it would cover the
    // Insert toolbar or the equation lines.
    void KeepKeypadClear();
    void OpenGuideHelp(const QString& path);
    void SetAngleMeasure(bool radians);
    void LoadDocumentIntoWindows(std::unique_ptr<TDocument> document);
    // Puts a document that was read in place of the one shown, as one undo step after the present state.
    void ReplaceDocument(std::unique_ptr<TDocument> document);
    // The document's sections captured for writing; answers the lines to write as its equations.
    [[nodiscard]] std::vector<TEquationObject*> PrepareForWriting();
    // An automation start: the window 3 by 3.5 inches, the equations panel floating just below it.
    void ArrangeForAutomation();
    // The window placement, panels and toolbars a document gives.
    void ArrangeWindowFor(const TDocument& document);
    void PlaceEquationsPanel(const struct TEquationsPanelRecord& record);
    // Lets the window and its panels take the sizes placements gave them.
    void SettleLayout();
    // Moves the lines into the (empty) equations window as one step, selects
    // selected when it is a line and tells the graph.
    void PutLines(TOwnedLines& lines, int selected);
    void CaptureDocument();
    // Edit > Delete curve and the popup's Delete: deletes the line, or shows why it cannot.
    void DeleteLine(TEquationObject* object);
    void ConnectEquations();
    [[nodiscard]] std::string Snapshot() const;

    TStartOptions options_;
    TCommandList* commands_;
    QLabel* messageLabel_ = nullptr;
    QLabel* mousePosition_ = nullptr;
    QTimer* messageTimer_ = nullptr;
    QTimer* scrollBarTimer_ = nullptr;
    QMenu* graphPopup_ = nullptr;
    QAction* popupDelete_ = nullptr;
    QAction* popupIntersect_ = nullptr;
    QAction* popupTransform_ = nullptr;    // the "Dynamic transform" submenu
    QAction* popupEquationType_ = nullptr; // the "Equation type..." submenu
    QAction* popupNewLine_ = nullptr;      // the "New line..." submenu
    // Where on the graph the popup menu opened; none when it opened on the equations.
    std::optional<QPoint> popupGraphPoint_;
    // The pair the popup's "Intersect" lists the crossings of, chosen when
    // the popup opens: the other curve measures distance.
    TCurvePLotter* intersectPrimary_ = nullptr;
    TCurvePLotter* intersectOther_ = nullptr;
    // The line under the mouse when the popup menu opened (may have gone since).
    TEquationObject* popupObject_ = nullptr;
    QMenu* mouseAccPopup_ = nullptr;
    QWidget* keypad_ = nullptr;
    TCommentary* commentary_ = nullptr;
    QScrollArea* equationsScroller_ = nullptr;
    QWidget* graphPanel_ = nullptr;
    TGraphWindow* graphArea_ = nullptr;
    TEquationsWindow* equations_ = nullptr;
    TShapeWork* shapes_ = nullptr; // a child object
    TStatsWork* stats_ = nullptr;  // a child object
    std::unique_ptr<TDocument> document_;
    // Escape and Ctrl as long drawings poll them, for the window's lifetime.
    std::unique_ptr<TKeyboardInterrupt> keyboard_;
    QScrollBar* horzScrollBar_ = nullptr;
    QScrollBar* vertScrollBar_ = nullptr;
    QPointer<THelpWindow> help_;
    QPointer<TDeclaredConstantEditor> dynamicEditor_;
    QDockWidget* dynamicPanel_ = nullptr;
    QPointer<TStartupWindow> startupWindow_;
    TUndoHistory undo_;
    QString documentPath_;
    // The name Save suggests when the document has no save target: the file
    // that was read, with ".lcv", when it was not a current-format document.
    QString saveSuggestion_;
    QString guideHelp_;
    QString lastMessage_;
    // While set, message boxes' texts are collected here instead of shown (automation calls).
    QStringList* messageSink_ = nullptr;
    TAutomationServer* automation_ = nullptr;
    bool modified_ = false;
    bool started_ = false;
    bool loading_ = false; // lines are being put in place by a load, New or Undo
    bool openFailed_ = false;
    bool whiteboard_ = false;
    bool traceHintShown_ = false;
    int lastStatusFlags_ = 0;
    int chordKey_ = 0; // an Alt chord used at its shortcut override
    // The guide command channel (a child object; none for screenshots).
    class TGuideLink* guideLink_ = nullptr;
    std::optional<TArrangement> savedArrangement_;
    QElapsedTimer clock_;
    std::vector<std::pair<QString, qint64>> timings_;
};
