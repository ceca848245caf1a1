// lcvtool dynamic: the dynamic constant editor on the command line. The
// document is read as the program opens it, the editor's logic is opened on
// one dynamic constant, and each action is run as the editor's boxes,
// buttons, keys or the guide would run it, with the constant's value and
// step printed after each. Nothing is drawn: the curves that use the
// constant are the program's business, the value is what is checked here.
#include "lcvtool.h"
#include "lcvtool_arguments.h"
#include "lcvtool_document.h"

#include "document/document.h"
#include "document/dynamicediting.h"
#include "document/equationlist.h"
#include "entry/declarationlines.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "settings/configuration.h"
#include "settings/mathsreader.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int MaxTicks = 100000;

// The boxes as plain lines; box errors and the request to close are noted.
class TToolView : public TDynamicEditorView {
public:
    TEditor& BoxLine(TDynamicBox box) override { return box == TDynamicBox::Value ? value_ : step_; }
    void ShowBoxNumber(TDynamicBox box, const TRealReader& number, bool changed) override
    {
        TEditor& line = BoxLine(box);
        try {
            line.SetElements(ElementsFromText(number.GetText(10, 0)));
        } catch (const eReaderror&) {
            line.SetElements(TElementList(new TEditorObject));
        }
        line.modified = changed;
    }
    void ClearBox(TDynamicBox box) override
    {
        BoxLine(box).SetElements(TElementList(new TEditorObject));
        BoxLine(box).modified = false;
    }
    void ShowBoxError(TDynamicBox, const TParseParams& params) override
    {
        if (error.empty())
            error = params.error.message ? params.error.message : ParseMessage::NotUnderstood;
    }
    void RecordUndo() override {} // no undo history here
    void CloseRequested() override { closed = true; }

    // Puts markup into a box as typed; false (with the error noted) when it cannot be read.
    bool Type(TDynamicBox box, const std::string& markup)
    {
        try {
            BoxLine(box).SetElements(ElementsFromText(markup));
        } catch (const eReaderror& fault) {
            error = fault.what();
            return false;
        }
        BoxLine(box).modified = true;
        return true;
    }

    std::string error;
    bool closed = false;

private:
    TEditor value_, step_;
};

struct TAction {
    std::string verb;
    std::string text;                             // value, step
    int count = 0;                                // play, playback
    std::array<std::optional<Extended>, 4> guide; // fields 2 to 5
};

std::optional<Extended> GuideNumber(std::string field)
{
    std::size_t start = 0;
    while (start < field.size() && field[start] == ' ')
        ++start; // the guide's fields may start with blanks
    field.erase(0, start);
    if (field.empty() || field == "-")
        return std::nullopt;
    long double value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    return value;
}

// Reads the actions; answers what is wrong with them, or nothing.
std::optional<std::string> ParseActions(const std::vector<std::string>& words, std::vector<TAction>& actions)
{
    if (words.empty())
        return "ACTION is missing";
    for (std::size_t i = 0; i < words.size();) {
        TAction action;
        action.verb = words[i++];
        auto take = [&](std::string& to) {
            if (i >= words.size())
                return false;
            to = words[i++];
            return true;
        };
        if (action.verb == "value" || action.verb == "step") {
            if (!take(action.text))
                return action.verb + " needs TEXT";
        } else if (action.verb == "play" || action.verb == "playback") {
            std::string count;
            if (!take(count))
                return action.verb + " needs N";
            const auto [end, error] =
                std::from_chars(count.data(), count.data() + count.size(), action.count);
            if (error != std::errc() || end != count.data() + count.size() || action.count < 1 ||
                action.count > MaxTicks)
                return action.verb + " needs N, a whole number from 1 to " + std::to_string(MaxTicks) +
                       ", not " + count;
        } else if (action.verb == "guide") {
            for (auto& field : action.guide) {
                std::string text;
                if (!take(text))
                    return "guide needs four fields F2 F3 F4 F5";
                field = GuideNumber(text);
            }
        } else if (action.verb != "forward" && action.verb != "back" && action.verb != "finish") {
            return "unknown action " + action.verb;
        }
        actions.push_back(std::move(action));
    }
    return std::nullopt;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void Run(TDynamicConstantEditing& editing, TToolView& view, const TAction& action)
{
    if (action.verb == "value" || action.verb == "step") {
        if (view.Type(action.verb == "value" ? TDynamicBox::Value : TDynamicBox::Step, action.text))
            (void)editing.CommitEdits();
    } else if (action.verb == "forward" || action.verb == "back") {
        editing.Key(action.verb == "forward" ? TDynamicKey::StepForward : TDynamicKey::StepBack);
    } else if (action.verb == "play" || action.verb == "playback") {
        editing.Play(action.verb == "play" ? 1 : -1); // its first tick is at once
        for (int tick = 1; tick < action.count && editing.Direction() != 0 && !view.closed; ++tick)
            editing.Tick();
        if (!view.closed)
            editing.Play(0);
    } else if (action.verb == "guide") {
        editing.ApplyGuideFields({action.guide[0], action.guide[1], action.guide[2], action.guide[3]});
        for (int tick = 0; tick < MaxTicks && editing.TimerRunning() && !view.closed; ++tick)
            editing.Tick();
    } else if (action.verb == "finish") {
        editing.Finish();
    }
}

} // namespace

int RunDynamic(const std::vector<std::string>& arguments)
{
    TToolArguments command("dynamic");
    command.Option({"o"}, "OUT.lcv", "write the document, as the actions left it, to OUT.lcv");
    command.Arguments("DOC.lcv", "the document to read");
    command.Arguments("NAME", "the dynamic constant to edit");
    command.Arguments("ACTION...", "value TEXT | step TEXT | forward | back | play N | playback N |\n"
                                   "guide F2 F3 F4 F5 | finish; the result of each is printed on a line");
    // A value typed into a box may begin with a minus sign.
    command.FirstArgumentEndsOptions();
    if (const auto status = command.Parse(arguments))
        return *status;
    const std::string output = command.Value("o");
    const std::vector<std::string> words = command.Positional();
    if (words.size() < 2)
        return command.Refuse(words.empty() ? "DOC.lcv, NAME and ACTION are missing"
                                            : "NAME and ACTION are missing");
    std::vector<TAction> actions;
    if (const auto wrong = ParseActions(std::vector<std::string>(words.begin() + 2, words.end()), actions))
        return command.Refuse(*wrong);
    TDocument document;
    if (!OpenToolDocument(words[0], document))
        return 1;
    std::string error;

    TToolView view;
    TEquationList list;
    std::unique_ptr<TDynamicConstantEditing> editing;
    list.OnLineLeaving = [&editing](TEquationObject* line) {
        if (editing)
            editing->LineLeaving(line);
    };
    for (auto& line : document.lines.lines)
        list.InsertAt(list.Count(), std::move(line));
    document.lines.lines.clear();
    const std::string name = Lower(words[1]);
    const TDynamicConstantEquation* constant = nullptr;
    for (TEquationObject* line : list.Lines())
        if (auto* candidate = dynamic_cast<TDynamicConstantEquation*>(line);
            candidate && candidate->NameText() == name)
            constant = candidate;
    if (!constant) {
        std::fprintf(stderr, "error: the document has no dynamic constant %s\n", words[1].c_str());
        return 1;
    }
    editing = std::make_unique<TDynamicConstantEditing>(list, nullptr, view, constant);
    editing->Activate();
    for (const TAction& action : actions) {
        view.error.clear();
        Run(*editing, view, action);
        if (!view.error.empty())
            std::printf("error: %s\n", view.error.c_str());
        else
            std::printf("%s=%s step %s\n", editing->CurrentName().c_str(), editing->ValueText().c_str(),
                        editing->StepText().c_str());
        if (view.closed) {
            std::printf("closed\n");
            break;
        }
    }
    editing.reset(); // the period ends as closing the editor ends it
    if (!output.empty()) {
        const std::vector<TEquationObject*> lines = list.Lines();
        if (!SaveDocument(document, QString::fromStdString(output), error, &lines)) {
            std::fprintf(stderr, "error: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
