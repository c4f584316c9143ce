// What the dialog's pages, the printer's options and -o add to a job, as the CUPS options
// the job is submitted with. The PPD's marks follow every choice, so the constraints and the
// panels' host callback see what the user chose.
#pragma once

#include "ppd_constraints.h"

#include <cups/ppd.h>

#include <map>
#include <optional>
#include <set>
#include <string>

class JobChoices {
public:
    explicit JobChoices(ppd_file_t* ppd) : ppd_(ppd) {}  // the PPD is borrowed and may be null

    ppd_file_t* ppd() const { return ppd_; }
    // Whether the printer's PPD has an option of that keyword.
    bool isPPDOption(const std::string& name) const;

    // Chooses a PPD option through its constraints: the verdict, applied when accepted. A
    // resolution may not change an option in fixed.
    ConstraintVerdict choosePPDOption(const std::string& keyword, const std::string& choice,
                                      const std::set<std::string>& fixed = {});
    // The PPD's marked choice of the option; nothing without a PPD or such an option.
    std::optional<std::string> markedChoice(const std::string& keyword) const;
    // The paper the job prints on: the PPD's page size, else the media option, else the
    // queue's default paper; empty when nothing says.
    std::string paperName() const;
    // The paper the queue prints on when the job names none (cupsd's media-default).
    void setDefaultPaper(const std::string& name) { defaultPaper_ = name; }
    // Sets or removes one of CUPS' own job options (page-ranges, number-up, sides, ...).
    void setOption(const std::string& name, const std::string& value) { cupsOptions_[name] = value; }
    void removeOption(const std::string& name) { cupsOptions_.erase(name); }
    std::optional<std::string> option(const std::string& name) const;

    void setCopies(int copies) { copies_ = copies; }
    int copies() const { return copies_; }
    void setCollate(bool collate) { collate_ = collate; }
    bool collate() const { return collate_; }

    // The PPD options chosen, each as its keyword and choice.
    const std::map<std::string, std::string>& ppdOptions() const { return ppdOptions_; }
    // CUPS' own options, with the collation of several copies.
    std::map<std::string, std::string> cupsOptions() const;
    // What a user keeps as the printer's defaults: every choice but the pages of this document
    // and the copies.
    std::map<std::string, std::string> rememberedOptions() const;

private:
    ppd_file_t* ppd_;
    std::map<std::string, std::string> ppdOptions_;
    std::map<std::string, std::string> cupsOptions_;
    int copies_ = 1;
    bool collate_ = true;
    std::string defaultPaper_;
};
