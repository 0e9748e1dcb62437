// Qt's keyword macros come first here, as in any widget: the plot's header
// must not hold a name such as `signals` that they would rewrite.
#include <QObject>

#include "plot/PlotModel.h"

#include <gtest/gtest.h>

TEST(PlotModelHeader, CompilesAfterQtKeywords)
{
    PlotModel model;
    EXPECT_EQ(model.Count(), 0u);
}
