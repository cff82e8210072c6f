#!/usr/bin/perl
# Packs PNG pictures into one Windows icon file (each image stored as PNG, as Windows Vista and
# later read them), so the program's icon is the same artwork as everywhere else.
#   png-to-ico.pl <output.ico> <picture.png>...
use strict;
use warnings;

my ($output, @pictures) = @ARGV;
die "usage: $0 output.ico picture.png...\n" unless @pictures;
my (@entries, @data);
for my $file (@pictures) {
    open(my $in, '<:raw', $file) or die "$file: $!\n";
    my $png = do { local $/; <$in> };
    close $in;
    substr($png, 0, 8) eq "\x89PNG\r\n\x1a\n" && substr($png, 12, 4) eq 'IHDR'
        or die "$file: not a PNG picture\n";
    my ($width, $height) = unpack('NN', substr($png, 16, 8));
    die "$file: larger than 256 pixels\n" if $width > 256 || $height > 256;
    push @entries, [$width % 256, $height % 256, length $png];
    push @data, $png;
}
my $offset = 6 + 16 * @entries;
my $ico = pack('vvv', 0, 1, scalar @entries);
for my $e (@entries) {
    $ico .= pack('CCCCvvVV', $e->[0], $e->[1], 0, 0, 1, 32, $e->[2], $offset);
    $offset += $e->[2];
}
open(my $out, '>:raw', "$output.part") or die "$output: $!\n";
print $out $ico, @data;
close $out or die "$output: $!\n";
rename("$output.part", $output) or die "$output: $!\n";
