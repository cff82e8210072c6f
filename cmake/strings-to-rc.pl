#!/usr/bin/perl
# Writes a Windows string table (.rc) from one of the string tables under src/res/ (the same
# {id, "text"} lines the other systems compile in), so every build carries the same texts.
# Given a window template instead, writes the template with each "@N@" replaced by the text of
# string N and "@LANGUAGE@" by the language: the window's templates, menu and shortcuts in the
# table's language.
#   strings-to-rc.pl <table.inc> <output.rc> <language id> <sublanguage id> [window.rc.in]
use strict;
use warnings;
use Encode qw(decode);

my ($input, $output, $language, $sublanguage, $template) = @ARGV;
die "usage: $0 table.inc output.rc LANG_X SUBLANG_Y\n" unless defined $sublanguage;
open(my $in, '<:raw', $input) or die "$input: $!\n";
my @entries;
my %seen;
my %texts;
my $source = do { local $/; <$in> };
$source =~ s{^\s*//.*$}{}mg;
while ($source =~ m{\G\s*\{\s*(\d+)\s*,\s*((?:"(?:[^"\\\n]|\\.)*"\s*)+)\}\s*,}gc) {
    my ($id, $literals) = ($1, $2);
    die "$input: id $id is more than once in the table\n" if $seen{$id}++;
    my $bytes = '';
    while ($literals =~ m{"((?:[^"\\]|\\.)*)"}g) {
        my $text = $1;
        $text =~ s{\\(x[0-9A-Fa-f]+|[0-7]{1,3}|.)}{
            my $e = $1;
            $e eq 'n' ? "\n" : $e eq 't' ? "\t" : $e eq 'r' ? "\r" :
            $e =~ /^x(.+)/ ? chr(hex $1) : $e =~ /^[0-7]+$/ ? chr(oct $e) : $e
        }ge;
        $bytes .= $text;
    }
    my $text = decode('UTF-8', $bytes, Encode::FB_CROAK);
    # Every character outside printable ASCII as a UTF-16 escape: the file stays ASCII and no
    # code page of the resource compiler can change a text.
    my $escaped = join '', map {
        my $c = ord $_;
        ($c >= 0x20 && $c < 0x7F && $_ ne '"' && $_ ne '\\') ? $_ :
        $c < 0x10000 ? sprintf('\\x%04X', $c) :
        sprintf('\\x%04X\\x%04X', 0xD800 + (($c - 0x10000) >> 10), 0xDC00 + (($c - 0x10000) & 0x3FF))
    } split //, $text;
    push @entries, "    $id, L\"$escaped\"\n";
    $texts{$id} = $escaped;
}
$source =~ m{\G\s*\z}gc or die "$input: not a string table entry at: " . substr($source, pos($source) // 0, 60) . "\n";
close $in;
open(my $out, '>:raw', "$output.part") or die "$output: $!\n";
print $out "// Generated from ", ($input =~ s{.*/}{}r), " by strings-to-rc.pl: edit the table, not this.\n";
if (defined $template) {
    open(my $tin, '<:raw', $template) or die "$template: $!\n";
    my $window = do { local $/; <$tin> };
    close $tin;
    $window =~ s{"\@(\d+)\@"}{
        defined $texts{$1} ? "L\"$texts{$1}\"" : die "$input: no string $1 for $template\n"
    }ge;
    $window =~ s{\@LANGUAGE\@}{LANGUAGE $language, $sublanguage} or die "$template: no \@LANGUAGE\@\n";
    print $out $window;
} else {
    print $out "LANGUAGE $language, $sublanguage\nSTRINGTABLE\nBEGIN\n", @entries, "END\n";
}
close $out or die "$output: $!\n";
rename("$output.part", $output) or die "$output: $!\n";
