#include "formats/named_choice.h"

namespace kq {
namespace {

// "a", "a or b", "a, b or c".
std::string listed(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? " or " : ", ";
        text += words[i];
    }
    return text;
}

}  // namespace

std::vector<std::string> choiceItems(std::span<const NamedChoice> choices) {
    std::vector<std::string> items;
    for (const NamedChoice& choice : choices) items.emplace_back(choice.item);
    return items;
}

std::optional<int> choiceIndex(std::span<const NamedChoice> choices, std::string_view word) {
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i].word == word) return static_cast<int>(i);
    return std::nullopt;
}

std::string choiceWords(std::span<const NamedChoice> choices) {
    std::vector<std::string> words;
    for (const NamedChoice& choice : choices) words.emplace_back(choice.word);
    return listed(words);
}

std::vector<std::string> numberItems(std::span<const int> numbers) {
    std::vector<std::string> items;
    for (int number : numbers) items.push_back(std::to_string(number));
    return items;
}

std::optional<int> numberIndex(std::span<const int> numbers, std::string_view text) {
    for (std::size_t i = 0; i < numbers.size(); ++i)
        if (std::to_string(numbers[i]) == text) return static_cast<int>(i);
    return std::nullopt;
}

std::string numberWords(std::span<const int> numbers) { return listed(numberItems(numbers)); }

}  // namespace kq
