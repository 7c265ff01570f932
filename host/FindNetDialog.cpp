#include "host/nlsdata.h"

#include <QAbstractListModel>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace NlsData {

namespace {

inline QChar foldCase(QChar c)
{
    const ushort u = c.unicode();
    if (u < 128)
        return (u >= 'A' && u <= 'Z') ? QChar(ushort(u + 32)) : c;
    return c.toLower();
}

// Shell-style wildcards ('*', '?', '[...]', '[!...]', '\' escaping), matched
// case-insensitively against the whole text. Designs with a million nets are
// filtered on every key press, so this avoids a regular-expression engine.
class WildcardPattern {
public:
    explicit WildcardPattern(const QString &pattern)
    {
        for (int i = 0; i < pattern.size(); ++i) {
            const QChar c = pattern.at(i);
            if (c == QLatin1Char('*')) {
                if (m_tokens.empty() || m_tokens.back().kind != Token::Star)
                    m_tokens.push_back({Token::Star, QChar(), -1});
            } else if (c == QLatin1Char('?')) {
                m_tokens.push_back({Token::Any, QChar(), -1});
            } else if (c == QLatin1Char('\\') && i + 1 < pattern.size()) {
                m_tokens.push_back({Token::Literal, foldCase(pattern.at(++i)), -1});
            } else if (c == QLatin1Char('[')) {
                const int end = parseClass(pattern, i);
                if (end < 0) {
                    m_tokens.push_back({Token::Literal, c, -1});
                } else {
                    m_tokens.push_back({Token::Class, QChar(), int(m_classes.size()) - 1});
                    i = end;
                }
            } else {
                m_tokens.push_back({Token::Literal, foldCase(c), -1});
            }
        }
    }

    bool matchesEverything() const
    {
        return m_tokens.size() == 1 && m_tokens.front().kind == Token::Star;
    }

    bool matches(const QString &text) const
    {
        const QChar *s = text.constData();
        const size_t n = size_t(text.size());
        const size_t count = m_tokens.size();
        size_t t = 0;
        size_t i = 0;
        size_t starToken = count;
        size_t starText = 0;
        while (i < n) {
            if (t < count && m_tokens[t].kind == Token::Star) {
                starToken = t++;
                starText = i;
            } else if (t < count && matchOne(m_tokens[t], foldCase(s[i]))) {
                ++t;
                ++i;
            } else if (starToken < count) {
                t = starToken + 1;
                i = ++starText;
            } else {
                return false;
            }
        }
        while (t < count && m_tokens[t].kind == Token::Star)
            ++t;
        return t == count;
    }

private:
    struct Token {
        enum Kind { Literal, Any, Star, Class } kind;
        QChar c;
        int set;
    };
    struct CharSet {
        bool negated = false;
        std::vector<std::pair<QChar, QChar>> ranges;
    };

    // Returns the index of the closing ']' or -1 when the bracket is not closed.
    int parseClass(const QString &pattern, int open)
    {
        CharSet set;
        int i = open + 1;
        if (i < pattern.size() &&
            (pattern.at(i) == QLatin1Char('!') || pattern.at(i) == QLatin1Char('^'))) {
            set.negated = true;
            ++i;
        }
        bool first = true;
        for (; i < pattern.size(); ++i) {
            QChar c = pattern.at(i);
            if (c == QLatin1Char(']') && !first)
                break;
            first = false;
            if (c == QLatin1Char('\\') && i + 1 < pattern.size())
                c = pattern.at(++i);
            QChar last = c;
            if (i + 2 < pattern.size() && pattern.at(i + 1) == QLatin1Char('-') &&
                pattern.at(i + 2) != QLatin1Char(']')) {
                last = pattern.at(i + 2);
                i += 2;
            }
            set.ranges.emplace_back(foldCase(c), foldCase(last));
        }
        if (i >= pattern.size())
            return -1;
        m_classes.push_back(std::move(set));
        return i;
    }

    bool matchOne(const Token &token, QChar c) const
    {
        switch (token.kind) {
        case Token::Literal:
            return token.c == c;
        case Token::Any:
            return true;
        case Token::Class: {
            const CharSet &set = m_classes[size_t(token.set)];
            const bool inside = std::any_of(set.ranges.begin(), set.ranges.end(),
                                            [c](const std::pair<QChar, QChar> &range) {
                                                return range.first <= c && c <= range.second;
                                            });
            return inside != set.negated;
        }
        case Token::Star:
            break;
        }
        return false;
    }

    std::vector<Token> m_tokens;
    std::vector<CharSet> m_classes;
};

// The nets that pass the filter, as row numbers into the candidates: one model
// over the whole list instead of an item per net.
class NetListModel : public QAbstractListModel {
public:
    NetListModel(const QList<Net *> &candidates, QObject *parent)
        : QAbstractListModel(parent), m_candidates(candidates)
    {
        setFilter(QStringLiteral("*"));
    }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= int(m_rows.size()))
            return {};
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        return m_candidates.at(m_rows[size_t(index.row())])->path();
    }

    void setFilter(const QString &filter)
    {
        const WildcardPattern pattern(filter.isEmpty() ? QStringLiteral("*") : filter);
        beginResetModel();
        m_rows.clear();
        if (pattern.matchesEverything()) {
            m_rows.resize(size_t(m_candidates.size()));
            for (int i = 0; i < m_candidates.size(); ++i)
                m_rows[size_t(i)] = i;
        } else {
            for (int i = 0; i < m_candidates.size(); ++i) {
                if (pattern.matches(m_candidates.at(i)->path()))
                    m_rows.push_back(i);
            }
        }
        endResetModel();
    }

    Net *net(int row) const { return m_candidates.at(m_rows[size_t(row)]); }

private:
    const QList<Net *> &m_candidates;
    std::vector<int> m_rows;
};

} // namespace

QList<Net *> FindNetDialog::getList(const QList<Net *> &candidates, QWidget *parent)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("NlsData__FindNetDialog"));
    dialog.setWindowTitle(QDialog::tr("Find Net"));
    dialog.resize(520, 440);

    auto *label = new QLabel(QDialog::tr("Filter:"), &dialog);
    auto *filter = new QLineEdit(QStringLiteral("*"), &dialog);
    filter->setObjectName(QStringLiteral("lineEditFilter"));
    filter->setPlaceholderText(QStringLiteral("*"));
    auto *list = new QListView(&dialog);
    list->setObjectName(QStringLiteral("listWidget"));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setUniformItemSizes(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *count = new QLabel(&dialog);
    count->setObjectName(QStringLiteral("labelCount"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel,
                                         Qt::Horizontal, &dialog);
    buttons->setObjectName(QStringLiteral("buttonBox"));

    auto *filterRow = new QHBoxLayout;
    filterRow->addWidget(label);
    filterRow->addWidget(filter);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addLayout(filterRow);
    layout->addWidget(list);
    layout->addWidget(count);
    layout->addWidget(buttons);

    auto *model = new NetListModel(candidates, &dialog);
    list->setModel(model);
    auto showCount = [count, model, &candidates]() {
        count->setText(QDialog::tr("%1 of %2 nets").arg(model->rowCount()).arg(candidates.size()));
    };
    showCount();
    QObject::connect(filter, &QLineEdit::textChanged, model,
                     [model, showCount](const QString &text) {
                         model->setFilter(text);
                         showCount();
                     });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    if (dialog.exec() != QDialog::Accepted)
        return {};
    QModelIndexList selected = list->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QList<Net *> picked;
    picked.reserve(selected.size());
    for (const QModelIndex &index : selected)
        picked.append(model->net(index.row()));
    return picked;
}

} // namespace NlsData
