#pragma once
// Adding files to the image set from the add dialog or a drop: each file is checked first, the
// readable ones are added in order and the others are reported together in one message.
#include "imaging/image_set.h"

#include <QStringList>

class QWidget;

namespace lumicomb::ui {

/// Appends the readable files among `paths` (full paths, in order) to the set and shows one
/// message listing every refused file with its reason. Once the set is full it says so and the
/// remaining files stay out. Returns how many were added.
int addImageFiles(QWidget *parent, ImageSet &set, const QStringList &paths, bool asDarks = false);

} // namespace lumicomb::ui
