// TCoordinateLister: the coordinate list window ("Coordinates"), a read-only
// listing of the points of the selected coordinate list or shape with their
// letters, in a fixed-pitch font so that the numbers stand in columns, and
// optionally the points of the curves it was made from beside them. It
// borrows the listed line and lets go of it as soon as the line leaves the
// equations list.
#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QAction;
class QListWidget;
class QToolBar;
class TEquationObject;
class TGraphParams;

class TCoordinateLister : public QWidget {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 210;

    explicit TCoordinateLister(QWidget* parent = nullptr);
    ~TCoordinateLister() override;

    // Lists object (borrowed) at the scales of params (borrowed); a line that
    // is not a coordinate list or shape lists nothing.
    void ShowList(TEquationObject* object, TGraphParams* params);
    // Lists the listed line again (after a document change).
    void Relist();
    // Lists the listed line again when it asked for it (state bit 5), clearing the request.
    void RelistIfChanged();
    // The line left the equations list: when it is the listed one, the window forgets it.
    void LineLeaving(const TEquationObject* line);

    [[nodiscard]] TEquationObject* Listed() const { return listed_; }
    [[nodiscard]] bool ShowPrimaries() const { return showPrimaries_; }
    // The lines shown now.
    [[nodiscard]] std::vector<std::string> ShownLines() const;
    [[nodiscard]] QListWidget* List() const { return list_; }
    [[nodiscard]] QAction* PrimaryButton() const { return primary_; }

signals:
    void CloseRequested();
    void HelpRequested(int topic);

private:
    void Fill();

    QToolBar* bar_;
    QAction* primary_;
    QListWidget* list_;
    TEquationObject* listed_ = nullptr; // borrowed
    TGraphParams* params_ = nullptr;    // borrowed
    int chainLength_ = 0;
    bool showPrimaries_ = false;
};
