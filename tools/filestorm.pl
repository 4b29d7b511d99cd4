#!/usr/bin/perl
# Another program that storms a folder, for the tests of listings kept
# current under heavy change: twice over, it makes COUNT files (or folders)
# in bursts, renames every second one (folders: and back again) and deletes
# them all. It runs as a Linux program beside Wine: a Windows program under Wine pays a look
# through the whole folder for every new name, far too slow for thousands.
# At the end it writes "ok", or the first step that failed, to DONE.
# Usage: filestorm.pl FOLDER COUNT files|folders DONE
use strict;
use warnings;

my ($folder, $count, $kind, $done) = @ARGV;
my $bursts = 10;
my $pause = 0.1;    # seconds between bursts: a watcher wakes, but does not settle
my $failed = '';

sub check {
    my ($ok, $what) = @_;
    $failed ||= "$what: $!" unless $ok;
}

sub name { sprintf('%s/%s%d.tmp', $folder, $_[0], 100000 + $_[1]) }

sub in_bursts {
    my ($stride, $step) = @_;
    my $burst = int(($count / $stride + $bursts - 1) / $bursts);
    my $steps = 0;
    for (my $i = 0; $i < $count; $i += $stride) {
        $step->($i);
        select(undef, undef, undef, $pause) if ++$steps % $burst == 0;
    }
}

for my $round (1 .. 2) {
    in_bursts(1, sub {
        my $name = name('n', $_[0]);
        if ($kind eq 'folders') {
            check(mkdir($name), $name);
        } else {
            check(open(my $file, '>', $name), $name);
        }
    });
    in_bursts(2, sub { check(rename(name('n', $_[0]), name('r', $_[0])), name('n', $_[0])) });
    # Folders take their first names back before they go. Wine's server keeps
    # a watched folder under the name it was made with, so a folder removed
    # under another name stays in its table; a folder made later that gets
    # the same inode number is then never watched, and later tests of the
    # run would see nothing change in it.
    in_bursts(2, sub { check(rename(name('r', $_[0]), name('n', $_[0])), name('r', $_[0])) }) if $kind eq 'folders';
    in_bursts(1, sub {
        my $name = name($_[0] % 2 == 0 && $kind ne 'folders' ? 'r' : 'n', $_[0]);
        check($kind eq 'folders' ? rmdir($name) : unlink($name), $name);
    });
}
open(my $out, '>', "$done.part") or die "$done.part: $!";
print $out ($failed || 'ok');
close $out;
rename("$done.part", $done) or die "$done: $!";
