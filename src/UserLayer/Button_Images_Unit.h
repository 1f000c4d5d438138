#pragma once
// The program's shared button images (ilButtonImages): one set of 52 pictures, indexed 0..51,
// that tool bars, menus and buttons refer to by number. Each picture is drawn for 16 x 16 and
// comes with a 32 x 32 rendering for higher screen scaling.
//
// Indexes with a fixed meaning:
//   0 Submit, 1 Report, 2 Step, 3 Authorise, 4 History, 5 Invoice, 6 Export, 7 Import,
//   8 Save, 9 Print, 10 Preview, 25 Help, 31 Users, 32 Clients, 33 First, 34 Last, 35 Next,
//   36 Prior, 37 Start, 38 Pause, 39 Projects, 40 Add Task, 41 Remove Task, 42 Tasks,
//   43 Review, 44 Options, 45 Cut, 46 Paste, 47 Copy, 50 Online Help, 51 Exit.
// The other indexes hold spare general pictures, named after what they show.

#include <QIcon>
#include <QString>

// The number of pictures in the list (52).
int ButtonImageCount();

// The picture at `index` with its 16 and 32 pixel renderings; a null icon outside 0..51.
QIcon ButtonImage(int index);

// What the picture at `index` stands for ("Help" for 25); empty outside 0..51.
QString ButtonImageName(int index);
