#pragma once

#include <memory>
#include <vector>

// Inserts an owned element before the position of a list, or appends it when the
// position is negative or past the end, and returns the element. Model lists
// (slides of an album, items and captions of a slide) all insert this way.
template <class T>
T* InsertOwned(std::vector<std::unique_ptr<T>>& list, std::unique_ptr<T> element, int position) {
    T* raw = element.get();
    if (position < 0 || position >= int(list.size()))
        list.push_back(std::move(element));
    else
        list.insert(list.begin() + position, std::move(element));
    return raw;
}
