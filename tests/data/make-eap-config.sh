#!/bin/sh
# Writes the provider configuration fixtures under tests/data/eap-config from the certificate
# fixtures in tests/data/certs (made by make-certs.sh), base64-encoded by the openssl tool.
# The output is committed; run this again only to change or add fixtures.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
certs="$here/certs"
out="$here/eap-config"
mkdir -p "$out"
b64() { openssl base64 -A -in "$certs/$1"; }
# list FILE ID METHODS [PROVIDER-INFO]: a list of one provider with the given methods.
list() {
    printf '<?xml version="1.0" encoding="utf-8"?>\n<EAPIdentityProviderList>
<EAPIdentityProvider ID="%s"><AuthenticationMethods>\n%s\n</AuthenticationMethods>%s
</EAPIdentityProvider></EAPIdentityProviderList>\n' "$2" "$3" "${4:-}" >"$out/$1"
}

# EAP-PEAP with EAP-MSCHAPv2 inside, two CA certificates, an anonymous outer identity, what the
# device cannot hold (server names, networks, helpdesk, terms of use), names in two languages
# and a second provider.
cat >"$out/peap-two-cas.eap-config" <<XML
<?xml version="1.0" encoding="utf-8"?>
<EAPIdentityProviderList xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"
                         xsi:noNamespaceSchemaLocation="eap-metadata.xsd">
  <EAPIdentityProvider ID="example.org" namespace="urn:RFC4282:realm" lang="en" version="1">
    <AuthenticationMethods>
      <AuthenticationMethod>
        <EAPMethod><Type>25</Type></EAPMethod>
        <ServerSideCredential>
          <CA format="X.509" encoding="base64">
$(openssl base64 -in "$certs/ca.der")
          </CA>
          <CA format="X.509" encoding="base64">$(b64 ca2.der)</CA>
          <ServerID>radius1.example.org</ServerID><ServerID>radius2.example.org</ServerID>
        </ServerSideCredential>
        <ClientSideCredential><OuterIdentity>anonymous@example.org</OuterIdentity>
        </ClientSideCredential>
        <InnerAuthenticationMethod><EAPMethod><Type>26</Type></EAPMethod>
        </InnerAuthenticationMethod>
      </AuthenticationMethod>
      <AuthenticationMethod><EAPMethod><Type>21</Type></EAPMethod>
        <InnerAuthenticationMethod><NonEAPAuthMethod><Type>1</Type></NonEAPAuthMethod>
        </InnerAuthenticationMethod>
      </AuthenticationMethod>
    </AuthenticationMethods>
    <CredentialApplicability>
      <IEEE80211><SSID>ExampleNet</SSID><MinRSNProto>CCMP</MinRSNProto></IEEE80211>
      <IEEE80211><ConsortiumOID>001bc50460</ConsortiumOID></IEEE80211>
    </CredentialApplicability>
    <ProviderInfo>
      <DisplayName xml:lang="en">Example University Network Services</DisplayName>
      <DisplayName xml:lang="de">Universität Köln-Süd &amp; Œuvre Straße</DisplayName>
      <Helpdesk><EmailAddress>help@example.org</EmailAddress>
        <WebAddress>https://help.example.org/</WebAddress><Phone>+49 221 000000</Phone></Helpdesk>
      <TermsOfUse>Be nice.</TermsOfUse>
    </ProviderInfo>
  </EAPIdentityProvider>
  <EAPIdentityProvider ID="guest.example.org">
    <AuthenticationMethods><AuthenticationMethod><EAPMethod><Type>17</Type></EAPMethod>
    </AuthenticationMethod></AuthenticationMethods>
    <ProviderInfo><DisplayName>Example Guests</DisplayName></ProviderInfo>
  </EAPIdentityProvider>
</EAPIdentityProviderList>
XML

# EAP-TTLS with PAP inside, user name and a password that needs escaping; a single provider as
# the root, in the eap-metadata namespace.
cat >"$out/ttls-pap.eap-config" <<XML
<?xml version="1.0" encoding="utf-8"?>
<eap-metadata:EAPIdentityProvider xmlns:eap-metadata="urn:RFC4282:realm" ID="ttls.example.org">
<AuthenticationMethods><AuthenticationMethod><EAPMethod><Type>21</Type></EAPMethod>
<ServerSideCredential><CA format="X.509" encoding="base64">$(b64 ca.der)</CA>
</ServerSideCredential><ClientSideCredential><OuterIdentity>guest@ttls.example.org</OuterIdentity>
<UserName>alice@ttls.example.org</UserName><Password>p&amp;ss &lt;word&gt;</Password>
</ClientSideCredential><InnerAuthenticationMethod><NonEAPAuthMethod><Type>1</Type>
</NonEAPAuthMethod></InnerAuthenticationMethod></AuthenticationMethod></AuthenticationMethods>
</eap-metadata:EAPIdentityProvider>
XML

# EAP-TLS with a PKCS#12 client certificate and its pass phrase.
list tls-p12.eap-config tls.example.org \
    "<AuthenticationMethod><EAPMethod><Type>13</Type></EAPMethod><ServerSideCredential>
<CA format=\"X.509\" encoding=\"base64\">$(b64 ca.der)</CA></ServerSideCredential>
<ClientSideCredential><UserName>device-7</UserName>
<ClientCertificate format=\"PKCS12\" encoding=\"base64\">$(b64 client.p12)</ClientCertificate>
<Passphrase>corvane-p12</Passphrase></ClientSideCredential></AuthenticationMethod>" \
    "<ProviderInfo><DisplayName>TLS Devices</DisplayName></ProviderInfo>"

# The device lacks the first two methods (EAP-pwd; EAP-TTLS with EAP-pwd inside) and takes
# LEAP, whose server names no CA certificate vouches for.
list first-unsupported.eap-config legacy.example.org \
    "<AuthenticationMethod><EAPMethod><Type>52</Type></EAPMethod></AuthenticationMethod>
<AuthenticationMethod><EAPMethod><Type>21</Type></EAPMethod>
<InnerAuthenticationMethod><EAPMethod><Type>52</Type></EAPMethod></InnerAuthenticationMethod>
</AuthenticationMethod><AuthenticationMethod><EAPMethod><Type>17</Type></EAPMethod>
<ServerSideCredential><ServerID>leap.example.org</ServerID></ServerSideCredential>
<ClientSideCredential><UserName>bob</UserName><Password>secret</Password></ClientSideCredential>
</AuthenticationMethod>"
