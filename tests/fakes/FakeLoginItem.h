#pragma once

#include "platform/LoginItem.h"
#include "platform/Questions.h"

#include <functional>
#include <optional>
#include <vector>

namespace moxilane::test {

// A login item whose status the test sets; a failure, when given, is what the next
// change reports.
class FakeLoginItem final : public LoginItem {
public:
    LoginItemStatus status() const override { return current; }
    std::expected<void, QString> registerItem() override { return change("register"); }
    std::expected<void, QString> unregisterItem() override { return change("unregister"); }

    LoginItemStatus current = LoginItemStatus::NotRegistered;
    std::optional<QString> failure;
    std::vector<QString> changes;

private:
    std::expected<void, QString> change(const QString& what) {
        changes.push_back(what);
        if (failure) return std::unexpected(*failure);
        current = what == "register" ? LoginItemStatus::Enabled : LoginItemStatus::NotRegistered;
        return {};
    }
};

class FakeQuestions final : public Questions {
public:
    bool ask(const QString& message, const QString&, const QString& first,
             const QString& second) override {
        asked.push_back(message);
        buttons = {first, second};
        if (onAsk) onAsk();
        return answer;
    }
    bool answer = true;
    std::vector<QString> asked;
    std::vector<QString> buttons;
    std::function<void()> onAsk;  // runs while the question is "open"
};

}  // namespace moxilane::test
